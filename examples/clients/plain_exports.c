/* QVAPI from C: the four plain exports, through the DLL's import library.
   The tool's run-time core must already be loaded in the process; without
   it every export answers -1. */
#include <stdio.h>

#include <QVAPI_exports.h>

int main(void) {
  printf("QVMemMark() -> %ld\n", QVMemMark());
  printf("QVMemSave(\"startup\", \"after init\", 1) -> %ld\n",
         QVMemSave("startup", "after init", 1));
  printf("QVMemPopup() -> %ld\n", QVMemPopup());
  printf("QVEnableErrorPopup(0) -> %ld\n", QVEnableErrorPopup(0));
  return 0;
}
