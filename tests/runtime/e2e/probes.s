# Calls a reference-count entry point the way compiled code does between
# computing a result and returning it: with values in EAX, ECX and EDX that
# must come back unchanged. Each probe returns 1 when they did, else 0.
        .text
        .macro PROBE name, entry
        .globl \name
        .type \name, @function
\name:
        pushl %ebp
        movl %esp, %ebp
        pushl 8(%ebp)
        movl $0x12345678, %eax
        movl $0x9ABCDEF0, %ecx
        movl $0x0BADF00D, %edx
        call \entry
        addl $4, %esp
        cmpl $0x12345678, %eax
        jne 1f
        cmpl $0x9ABCDEF0, %ecx
        jne 1f
        cmpl $0x0BADF00D, %edx
        jne 1f
        movl $1, %eax
        leave
        ret
1:      xorl %eax, %eax
        leave
        ret
        .size \name, . - \name
        .endm

        PROBE probe_lock_string, RuntimeLockString
        PROBE probe_unlock_string, RuntimeUnlockString
        PROBE probe_lock_object, RuntimeLockObject
        PROBE probe_unlock_object, RuntimeUnlockObject

        .section .note.GNU-stack, "", @progbits
