/* Calls each plain export through QVAPI_exports.h and compares the stack
   pointer before and after: a declaration whose calling convention differs
   from the export's leaves it moved by the size of the arguments. */
#include <stdio.h>

#include <QVAPI_exports.h>

static unsigned long StackPointer(void) {
  unsigned long value;
  __asm__ volatile("movl %%esp, %0" : "=r"(value));
  return value;
}

static int Report(const char* name, unsigned long before, unsigned long after) {
  printf("%s: stack %s\n", name, before == after ? "balanced" : "moved");
  return before == after ? 0 : 1;
}

int main(void) {
  int failures = 0;
  unsigned long before = StackPointer();
  QVMemMark();
  failures += Report("QVMemMark", before, StackPointer());
  before = StackPointer();
  QVMemSave("name", "comment", 1);
  failures += Report("QVMemSave", before, StackPointer());
  before = StackPointer();
  QVMemPopup();
  failures += Report("QVMemPopup", before, StackPointer());
  before = StackPointer();
  QVEnableErrorPopup(0);
  failures += Report("QVEnableErrorPopup", before, StackPointer());
  return failures;
}
