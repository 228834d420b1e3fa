#include "platform/memory.h"

#include <malloc.h>

void ReturnFreedMemory()
{
    ::malloc_trim(0);
}
