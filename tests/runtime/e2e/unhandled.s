# Raises with no handler anywhere, and raises past a frame more than 4,096
# bytes above the previous one, where the walk stops: both are unhandled.
	.include "tessera/tessera.inc"
	.text

TESS_ROUTINE raise_nil, 4
	TESS_CALL RuntimeNilObject
TESS_END
	TESS_TRAILER_END

# A frame of 8 KB between the raise and the handler that would catch it.
TESS_ROUTINE big_frame, 8192, clear=0
	TESS_CALL raise_nil
TESS_END
	TESS_TRAILER_END

TESS_ROUTINE guarded_past_gap, 4
	TESS_CALL big_frame
	jmp	1f
TESS_CATCH gap_caught, 4
	pushl	$caught_text
	call	say
	addl	$4, %esp
1:
TESS_END
	TESS_HANDLER 0, gap_caught
	TESS_TRAILER_END

	.section .rodata
caught_text:	.asciz "caught past the gap (wrong)"

	.section .note.GNU-stack, "", @progbits
