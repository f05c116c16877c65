// Stored number texts: any text gives either the default or a value whose decimal text, written
// back, parses to the same value.
#include "settings/SettingsStore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr int kDefault = 424242;
    const int value = SettingsStore::ParseNumber(text, kDefault);
    if (value != kDefault && SettingsStore::ParseNumber(QString::number(value), kDefault + 1) != value)
        std::abort();
    // A plain decimal round-trips whatever the default.
    if (SettingsStore::ParseNumber(QString::number(int(size) - 1000), 0) != int(size) - 1000)
        std::abort();
    return 0;
}
