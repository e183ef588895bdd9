// Machine-level pieces of raising: entering a compiled handler with its
// routine's frame base, and calling compiled code with an array of words.
        .text

// void tessJumpToHandler(uintptr_t frameBase, uintptr_t code): continues at
// `code` with EBP = frameBase. The stack pointer stays where it is; the
// handler sets it from its frame base.
        .globl tessJumpToHandler
        .type tessJumpToHandler, @function
tessJumpToHandler:
        movl 8(%esp), %eax
        movl 4(%esp), %ebp
        jmp *%eax
        .size tessJumpToHandler, . - tessJumpToHandler

// uint32_t tessCallWords(const void* code, const uint32_t* words, uint32_t
// count): pushes the words right to left, calls `code`, removes them. A
// handler inside the compiled code is entered with whatever registers the
// raise had, so EBX, ESI and EDI are restored here from this frame, which
// the compiled code's own frame chain always leads back to.
        .globl tessCallWords
        .type tessCallWords, @function
tessCallWords:
        pushl %ebp
        movl %esp, %ebp
        pushl %ebx
        pushl %esi
        pushl %edi
        movl 12(%ebp), %esi
        movl 16(%ebp), %ecx
1:      testl %ecx, %ecx
        jz 2f
        decl %ecx
        pushl (%esi,%ecx,4)
        jmp 1b
2:      call *8(%ebp)
        movl -4(%ebp), %ebx
        movl -8(%ebp), %esi
        movl -12(%ebp), %edi
        leave
        ret
        .size tessCallWords, . - tessCallWords

        .section .note.GNU-stack, "", @progbits
