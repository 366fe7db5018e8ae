#include "stack_probe.h"

// Arguments are pushed last to first; the stack pointer is restored from a
// callee-saved register afterwards, whatever the callee did with it.
asm(R"(
  .text
  .globl _CallAndMeasureStack
_CallAndMeasureStack:
  pushl %ebp
  movl %esp, %ebp
  pushl %esi
  pushl %edi
  pushl %ebx
  movl %esp, %esi
  movl 16(%ebp), %ecx
  movl 12(%ebp), %edx
1:
  testl %ecx, %ecx
  jz 2f
  decl %ecx
  pushl (%edx,%ecx,4)
  jmp 1b
2:
  movl %esp, %edi
  call *8(%ebp)
  movl %esp, %ecx
  subl %edi, %ecx
  movl 20(%ebp), %edx
  movl %ecx, (%edx)
  movl %esi, %esp
  popl %ebx
  popl %edi
  popl %esi
  popl %ebp
  ret
)");
