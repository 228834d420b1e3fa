#include "platform/memory.h"

#include <malloc.h>

void ReturnFreedMemory()
{
    ::_heapmin();
}
