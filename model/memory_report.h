// Running a step whose allocations may fail: an exhausted heap becomes the
// reporter's MEMORY report ("not enough memory") under the caller's function
// name, which ends the computation with the reporter's exception.
#ifndef DROV_MODEL_MEMORY_REPORT_H
#define DROV_MODEL_MEMORY_REPORT_H

#include <new>

#include "core/errors.h"

template <class Step>
void with_memory_report(const char* where, Step&& step)
{
    try {
        step();
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, where, 0);
    }
}

#endif
