// The public header compiles on its own as strict C++98 with C linkage.
#include "zorbel.h"

extern "C" void (*const zorbel_header_cxx_entry)(int, int, const int *, const int *, const int *,
                                                 const int *, int, int, const int *, int *,
                                                 int *) = ZORBEL_PartKway;
