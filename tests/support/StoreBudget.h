#pragma once

#include <cstddef>

/// While it lives, the row store's value blocks may take this many bytes in all (every growth
/// counts, nothing is given back); the growth that would pass it finds no memory, as it would
/// under a memory limit, but at a point the test chooses and also under the sanitizers.
class StoreBudget final
{
public:
    explicit StoreBudget(std::size_t bytes);
    ~StoreBudget();
    StoreBudget(const StoreBudget&) = delete;
    StoreBudget& operator=(const StoreBudget&) = delete;

    /// How often a growth was refused.
    static int refusals();
};
