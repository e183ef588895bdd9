# Raising and catching through real compiled frames: call markers with
# clean-up items, trailers with handlers and locals. Class indices come from
# exceptions.desc: 0 RuntimeException, 1 NilObjectException, 2 the interface
# Reportable, 3 AppError (a RuntimeException implementing Reportable),
# 5 stackOverflowException.
	.include "tessera/tessera.inc"
	.include "handlers.inc"
	.text

# A RuntimeException handler catches a NilObjectException.
TESS_ROUTINE scenario_nil, 4
	TESS_CALL RuntimeNilObject
	jmp 1f
TESS_CATCH nil_caught, 4
	REPORT_AND_RELEASE caught_text
1:
TESS_END
	TESS_HANDLER 0, nil_caught
	TESS_TRAILER_END

# A handler of an interface class catches an exception whose class
# implements it; the handler listed first (NilObjectException) does not.
TESS_ROUTINE scenario_interface, 8
	pushl	$3
	TESS_CALL RuntimeNewObject
	addl	$4, %esp
	movl	%eax, -8(%ebp)
	pushl	%eax
	TESS_CALL RuntimeRaiseException
	addl	$4, %esp
	jmp	1f
TESS_CATCH interface_caught, 8
	REPORT_AND_RELEASE interface_text
1:
	pushl	-8(%ebp)
	call	RuntimeUnlockObject
	addl	$4, %esp
TESS_END
	TESS_HANDLER 1, interface_caught
	TESS_HANDLER 2, interface_caught
	TESS_OBJECT_LOCAL -8
	TESS_TRAILER_END

# A raise from inside a handler (the in-handler item) skips the other
# handlers of its routine and goes to the caller.
TESS_ROUTINE rethrowing, 4
	TESS_CALL RuntimeNilObject
	jmp	1f
TESS_CATCH rethrowing_caught, 4
	pushl	$inner_text
	call	say
	addl	$4, %esp
	pushl	-4(%ebp)
	TESS_CALL RuntimeReraiseException, in_handler
1:
TESS_END
	TESS_HANDLER 0, rethrowing_caught
	TESS_HANDLER 1, rethrowing_caught
	TESS_OBJECT_LOCAL -4
	TESS_TRAILER_END

TESS_ROUTINE scenario_in_handler, 4
	TESS_CALL rethrowing
	jmp	1f
TESS_CATCH outer_caught, 4
	REPORT_AND_RELEASE outer_text
1:
TESS_END
	TESS_HANDLER 0, outer_caught
	TESS_TRAILER_END

# Locals and an argument of every frame passed over are released once.
TESS_ROUTINE raising_callee, 4
	TESS_CALL RuntimeNilObject
TESS_END
	TESS_TRAILER_END

TESS_ROUTINE with_locals, 12
	pushl	$kRight
	pushl	$kLeft
	TESS_CALL RuntimeAddString
	addl	$8, %esp
	movl	%eax, -8(%ebp)
	pushl	$3
	TESS_CALL RuntimeNewObject
	addl	$4, %esp
	movl	%eax, -12(%ebp)
	pushl	$kLeft
	pushl	$kRight
	TESS_CALL RuntimeAddString
	addl	$8, %esp
	pushl	%eax
	TESS_CALL raising_callee, string 0
	addl	$4, %esp
TESS_END
	TESS_STRING_LOCAL -8
	TESS_OBJECT_LOCAL -12
	TESS_TRAILER_END

TESS_ROUTINE scenario_locals, 4
	call	remember_memory
	TESS_CALL with_locals
	jmp	1f
TESS_CATCH locals_caught, 4
	RELEASE_SLOT
	call	report_memory
1:
TESS_END
	TESS_HANDLER 0, locals_caught
	TESS_TRAILER_END

# Recursion until the stack check raises stackOverflowException.
TESS_ROUTINE recurse, 4
	incl	g_depth
	TESS_CALL recurse
TESS_END
	TESS_TRAILER_END

TESS_ROUTINE scenario_overflow, 4
	movl	$0, g_depth
	TESS_CALL recurse
	jmp	1f
TESS_CATCH overflow_caught, 4
	REPORT_AND_RELEASE caught_text
	call	report_depth
1:
TESS_END
	TESS_HANDLER 5, overflow_caught
	TESS_TRAILER_END

	TESS_GUARDED guarded_nil, scenario_nil
	TESS_GUARDED guarded_interface, scenario_interface
	TESS_GUARDED guarded_in_handler, scenario_in_handler
	TESS_GUARDED guarded_locals, scenario_locals
	TESS_GUARDED guarded_overflow, scenario_overflow

	.section .rodata
caught_text:	.asciz "caught"
interface_text:	.asciz "caught through the interface:"
inner_text:	.asciz "inner handler raises again"
outer_text:	.asciz "outer routine caught"

	.section .note.GNU-stack, "", @progbits
