# Thread Run handlers with handlers of their own. Class indices come from
# threads.desc: 4 RuntimeException, 5 stackOverflowException.
	.include "tessera/tessera.inc"
	.include "handlers.inc"
	.text

# Raises and catches on its own thread.
TESS_ROUTINE raiser_run, 4
	TESS_CALL RuntimeNilObject
	jmp	1f
TESS_CATCH raiser_caught, 4
	REPORT_AND_RELEASE thread_caught_text
1:
	call	finish_scenario
TESS_END
	TESS_HANDLER 4, raiser_caught
	TESS_TRAILER_END

# Recursion until the thread's own stack check raises.
TESS_ROUTINE deep, 4
	incl	g_depth
	TESS_CALL deep
TESS_END
	TESS_TRAILER_END

TESS_ROUTINE recurser_run, 4
	movl	$0, g_depth
	TESS_CALL deep
	jmp	1f
TESS_CATCH recurser_caught, 4
	REPORT_AND_RELEASE thread_caught_text
	call	report_thread_depth
1:
	call	finish_scenario
TESS_END
	TESS_HANDLER 5, recurser_caught
	TESS_TRAILER_END

# The main thread's limit still stands once threads have run.
TESS_ROUTINE main_overflow, 4
	movl	$0, g_depth
	TESS_CALL deep
	jmp	1f
TESS_CATCH main_caught, 4
	REPORT_AND_RELEASE main_caught_text
	call	report_depth
1:
TESS_END
	TESS_HANDLER 5, main_caught
	TESS_TRAILER_END

	TESS_GUARDED guarded_main_overflow, main_overflow

	.section .rodata
thread_caught_text:	.asciz "thread caught"
main_caught_text:	.asciz "main thread caught"

	.section .note.GNU-stack, "", @progbits
