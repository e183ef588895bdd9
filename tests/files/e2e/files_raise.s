# A writer that raises between its lines and has no handler of its own: the
# walk releases its stream (an object local), which writes out what it had,
# and the caller's handler (class 0, NilObjectException) takes the
# exception.
	.include "tessera/tessera.inc"
	.include "handlers.inc"
	.text

# write_then_raise(item): two lines into a new text file, then the copy
# constructor given nil.
TESS_ROUTINE write_then_raise, 8
	pushl	8(%ebp)
	TESS_CALL FolderItemCreateTextFile
	addl	$4, %esp
	movl	%eax, -8(%ebp)
	pushl	$kFirst
	pushl	-8(%ebp)
	TESS_CALL TextOutputStreamWriteLine
	addl	$8, %esp
	pushl	$kSecond
	pushl	-8(%ebp)
	TESS_CALL TextOutputStreamWriteLine
	addl	$8, %esp
	pushl	$0
	pushl	8(%ebp)
	TESS_CALL FolderItemCopyCtor
	addl	$8, %esp
	pushl	$missed_text
	call	say
	addl	$4, %esp
TESS_END
	TESS_OBJECT_LOCAL -8
	TESS_TRAILER_END

TESS_ROUTINE scenario_raise_mid_write, 4
	call	notes_item
	pushl	%eax
	TESS_CALL write_then_raise
	addl	$4, %esp
	pushl	$missed_text
	call	say
	addl	$4, %esp
	jmp	1f
TESS_CATCH raised, 4
	REPORT_AND_RELEASE raised_text
1:
TESS_END
	TESS_HANDLER 0, raised
	TESS_TRAILER_END

	TESS_GUARDED guarded_raise_mid_write, scenario_raise_mid_write

	.section .rodata
raised_text:	.asciz "the copy constructor given nil raised"
missed_text:	.asciz "NOT RAISED"

	.section .note.GNU-stack, "", @progbits
