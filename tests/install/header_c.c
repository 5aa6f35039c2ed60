/* The public header compiles on its own as strict C99. */
#include "zorbel.h"

void (*const zorbel_header_c_entry)(int, int, const int *, const int *, const int *, const int *,
                                    int, int, const int *, int *, int *) = ZORBEL_PartRecursive;
