#include "support/failing_allocation.h"

#include <cstdlib>
#include <new>

namespace orlenda::testing {
namespace {

// Per thread: Qt's own threads must never see a failure meant for the test.
thread_local bool t_armed = false;
thread_local std::size_t t_size = 0;
thread_local long t_skip = 0;
thread_local bool t_failed = false;

bool ShouldFail(std::size_t size) {
    if (!t_armed || (t_size != 0 && size != t_size)) return false;
    if (t_skip-- > 0) return false;
    t_armed = false;
    t_failed = true;
    return true;
}

}  // namespace

void FailOneAllocation(std::size_t size, long skip) {
    t_size = size;
    t_skip = skip;
    t_failed = false;
    t_armed = true;
}

void StopFailingAllocations() { t_armed = false; }

bool AllocationFailed() { return t_failed; }

}  // namespace orlenda::testing

void* operator new(std::size_t size) {
    if (orlenda::testing::ShouldFail(size)) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
