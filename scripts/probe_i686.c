/* Built i686 and run under Wine's 32-bit loader to find out whether this machine runs i686 programs. */
#include <stdio.h>

int main(void) {
  printf("i686 runs\n");
  return 0;
}
