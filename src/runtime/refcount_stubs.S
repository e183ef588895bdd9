// Reference-count entry points that compiled code calls between computing a
// result in EAX and returning it. They keep EAX, ECX and EDX as they found
// them and leave the work to the C++ cores, which may clobber any of them.
        .text

        .macro PRESERVING name, core
        .globl \name
        .type \name, @function
\name:
        pushl %ebp
        movl %esp, %ebp
        pushl %eax
        pushl %ecx
        pushl %edx
        pushl 8(%ebp)
        call \core
        addl $4, %esp
        popl %edx
        popl %ecx
        popl %eax
        leave
        ret
        .size \name, . - \name
        .endm

        PRESERVING RuntimeLockObject, tessLockObjectCore
        PRESERVING RuntimeUnlockObject, tessUnlockObjectCore
        PRESERVING RuntimeLockString, tessLockStringCore
        PRESERVING RuntimeUnlockString, tessUnlockStringCore

        .section .note.GNU-stack, "", @progbits
