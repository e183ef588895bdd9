# Value classes raising into real compiled frames: each handler takes its
# exception class (values_raise.desc: 0 KeyNotFoundException,
# 1 typeMismatchException, 2 OutOfBoundsException) and the value is left as
# it was.
	.include "tessera/tessera.inc"
	.include "handlers.inc"
	.text

# Reading a key the dictionary does not hold.
TESS_ROUTINE scenario_missing_key, 8
	call	make_dictionary
	movl	%eax, -8(%ebp)
	call	missing_key
	pushl	%eax
	pushl	-8(%ebp)
	TESS_CALL dictionaryValueGetter
	addl	$8, %esp
	pushl	$missed_text
	call	say
	addl	$4, %esp
	jmp	1f
TESS_CATCH missing_caught, 8
	REPORT_AND_RELEASE missing_text
1:
	pushl	-8(%ebp)
	call	check_dictionary
	addl	$4, %esp
TESS_END
	TESS_HANDLER 0, missing_caught
	TESS_TRAILER_END

# An Integer variant asked for an object.
TESS_ROUTINE scenario_mismatch, 8
	call	integer_variant
	movl	%eax, -8(%ebp)
	pushl	%eax
	TESS_CALL variantToObject
	addl	$4, %esp
	pushl	$missed_text
	call	say
	addl	$4, %esp
	jmp	1f
TESS_CATCH mismatch_caught, 8
	REPORT_AND_RELEASE mismatch_text
1:
	pushl	-8(%ebp)
	call	RuntimeUnlockObject
	addl	$4, %esp
TESS_END
	TESS_HANDLER 1, mismatch_caught
	TESS_TRAILER_END

# Long(1) = -1 on a four-byte block.
TESS_ROUTINE scenario_block, 8
	call	make_block
	movl	%eax, -8(%ebp)
	pushl	$-1
	pushl	$1
	pushl	%eax
	TESS_CALL memorySetLong
	addl	$12, %esp
	pushl	$missed_text
	call	say
	addl	$4, %esp
	jmp	1f
TESS_CATCH block_caught, 8
	REPORT_AND_RELEASE block_text
1:
	pushl	-8(%ebp)
	call	check_block
	addl	$4, %esp
TESS_END
	TESS_HANDLER 2, block_caught
	TESS_TRAILER_END

	TESS_GUARDED guarded_missing_key, scenario_missing_key
	TESS_GUARDED guarded_mismatch, scenario_mismatch
	TESS_GUARDED guarded_block, scenario_block

	.section .rodata
missing_text:	.asciz "Value of a missing key raised"
mismatch_text:	.asciz "variantToObject of an Integer raised"
block_text:	.asciz "Long(1) on four bytes raised"
missed_text:	.asciz "NOT RAISED"

	.section .note.GNU-stack, "", @progbits
