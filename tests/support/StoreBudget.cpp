#include "support/StoreBudget.h"

#include "connection/RowStore.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<std::size_t> g_left{0};
std::atomic<int> g_refusals{0};

void* Budgeted(void* block, std::size_t bytes)
{
    std::size_t left = g_left.load();
    do {
        if (bytes > left) {
            ++g_refusals;
            return nullptr;
        }
    } while (!g_left.compare_exchange_weak(left, left - bytes));
    return std::realloc(block, bytes);
}

} // namespace

StoreBudget::StoreBudget(std::size_t bytes)
{
    g_left = bytes;
    g_refusals = 0;
    RowStore::setReallocate(&Budgeted);
}

StoreBudget::~StoreBudget()
{
    RowStore::setReallocate(nullptr);
}

int StoreBudget::refusals()
{
    return g_refusals.load();
}
