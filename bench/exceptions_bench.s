# Ten compiled routines deep: the innermost raises NilObjectException and the
# outermost catches it (class index 0, RuntimeException).
	.include "tessera/tessera.inc"
	.section .text.tess_bench, "ax", @progbits
	.globl bench_code_start, bench_code_end
bench_code_start:

TESS_ROUTINE bench_level0, 4, check=0
	TESS_CALL RuntimeNilObject
TESS_END
	TESS_TRAILER_END

	.macro LEVEL level, below
TESS_ROUTINE bench_level\level, 4, check=0
	TESS_CALL bench_level\below
TESS_END
	TESS_TRAILER_END
	.endm
	LEVEL 1, 0
	LEVEL 2, 1
	LEVEL 3, 2
	LEVEL 4, 3
	LEVEL 5, 4
	LEVEL 6, 5
	LEVEL 7, 6
	LEVEL 8, 7
	LEVEL 9, 8

# int bench_raise_and_catch(void): 1 when the exception arrived.
TESS_ROUTINE bench_raise_and_catch, 4, check=0
	pushl	%ebx
	pushl	%esi
	pushl	%edi
	TESS_CALL bench_level9
	xorl	%eax, %eax
	jmp	1f
TESS_CATCH bench_caught, 16
	pushl	-4(%ebp)
	call	RuntimeUnlockObject
	addl	$4, %esp
	movl	$0, -4(%ebp)
	movl	$1, %eax
1:
	movl	-8(%ebp), %ebx
	movl	-12(%ebp), %esi
	movl	-16(%ebp), %edi
TESS_END
	TESS_HANDLER 0, bench_caught
	TESS_TRAILER_END

bench_code_end:
	.section .note.GNU-stack, "", @progbits
