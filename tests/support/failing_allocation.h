#pragma once

#include <cstddef>

// A test program that links failing_allocation.cpp gets an operator new that
// can be told to run out of memory once, so that a test sees how code copes
// with std::bad_alloc without filling the machine first.
namespace orlenda::testing {

// On this thread, after `skip` allocations of `size` bytes (of any size when
// 0) have succeeded, the next one throws std::bad_alloc; later ones succeed.
void FailOneAllocation(std::size_t size, long skip);
void StopFailingAllocations();
// True when an allocation failed since the last FailOneAllocation.
bool AllocationFailed();

}  // namespace orlenda::testing
