# Array entries raising OutOfBoundsException into real compiled frames: the
# handler takes it and the array is left as it was. Class 0 is
# OutOfBoundsException (arrays_raise.desc).
	.include "tessera/tessera.inc"
	.include "handlers.inc"
	.text

# Reading element 10 of an array whose upper bound is 9.
TESS_ROUTINE scenario_read, 8
	call	make_array
	movl	%eax, -8(%ebp)
	pushl	$10
	pushl	%eax
	TESS_CALL RuntimeDirectReadIntArray
	addl	$8, %esp
	pushl	$missed_text
	call	say
	addl	$4, %esp
	jmp	1f
TESS_CATCH read_caught, 8
	REPORT_AND_RELEASE read_text
1:
	pushl	-8(%ebp)
	call	check_array
	addl	$4, %esp
TESS_END
	TESS_HANDLER 0, read_caught
	TESS_TRAILER_END

# Writing A(1, 5) of a 2 x 5 matrix: the second index is one too far.
TESS_ROUTINE scenario_matrix, 8
	call	make_matrix
	movl	%eax, -8(%ebp)
	pushl	$1
	pushl	%eax
	TESS_CALL RuntimeArrayStartWriteAccess
	addl	$8, %esp
	pushl	$99
	pushl	$5
	pushl	-8(%ebp)
	TESS_CALL RuntimeWriteIntArray
	addl	$12, %esp
	pushl	$missed_text
	call	say
	addl	$4, %esp
	jmp	1f
TESS_CATCH matrix_caught, 8
	REPORT_AND_RELEASE matrix_text
1:
	pushl	-8(%ebp)
	call	check_matrix
	addl	$4, %esp
TESS_END
	TESS_HANDLER 0, matrix_caught
	TESS_TRAILER_END

	TESS_GUARDED guarded_read, scenario_read
	TESS_GUARDED guarded_matrix, scenario_matrix

	.section .rodata
read_text:	.asciz "direct read raised"
matrix_text:	.asciz "matrix write raised"
missed_text:	.asciz "NOT RAISED"

	.section .note.GNU-stack, "", @progbits
