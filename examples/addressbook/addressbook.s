# The checked add, written as the compiler writes a method with a Try
# block: ValidateContact raises ContactError when the fields will not do,
# and AddContactChecked's handler shows the exception's message instead of
# adding anything.
	.include "tessera/tessera.inc"
	.text

# ValidateContact: raises the problem ContactProblem finds, if any.
TESS_ROUTINE validate_contact, 8
	call	ContactProblem
	testl	%eax, %eax
	jz	1f
	movl	%eax, -8(%ebp)
	pushl	%eax
	TESS_CALL RuntimeRaiseException
	addl	$4, %esp
1:
TESS_END
	TESS_OBJECT_LOCAL -8
	TESS_TRAILER_END

# Try ValidateContact; AddContact Catch e As ContactError: ShowProblem(e).
TESS_ROUTINE add_contact_checked, 4
	TESS_CALL validate_contact
	call	AddContact
	jmp	1f
TESS_CATCH refused, 4
	pushl	-4(%ebp)
	call	ShowProblem
	addl	$4, %esp
	pushl	-4(%ebp)
	call	RuntimeUnlockObject
	addl	$4, %esp
	movl	$0, -4(%ebp)
1:
TESS_END
	# 13: ContactError in addressbook.desc
	TESS_HANDLER 13, refused
	TESS_TRAILER_END

	TESS_GUARDED AddContactChecked, add_contact_checked

	.section .note.GNU-stack, "", @progbits
