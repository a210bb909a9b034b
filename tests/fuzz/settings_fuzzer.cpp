// Any settings typed into the window: an operation is either refused before anything opens,
// or every setting it reads converts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/numeric_value.h"
#include "app/operation_runner.h"
#include "tests/app/fake_window.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // Four texts separated by NUL: GPIBadress, wait, ad1, ad2.
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && fields.size() < 4) {
            fields.emplace_back();
        } else {
            fields.back() += static_cast<char>(data[i]);
        }
    }
    fields.resize(4);
    testing_support::FakeWindow window;
    window.texts["GPIBadress"] = fields[0];
    window.texts["wait"] = fields[1];
    window.texts["ad1"] = fields[2];
    window.texts["ad2"] = fields[3];

    using app::OperationKind;
    for (auto kind : {OperationKind::InstantaneousReadout, OperationKind::MassMemoryDownload,
                      OperationKind::SecondaryProcessingDownload, OperationKind::MassMemoryErase}) {
        if (!app::SettingsRefusal(kind, window).empty()) continue;
        if (!app::ToInt16(app::NumericValue(fields[0]))) std::abort();
        if (!app::ToInt32(app::NumericValue(fields[1]))) std::abort();
        for (const auto& address : {fields[2], fields[3]}) {
            const double value = app::NumericValue(address);
            if (kind == OperationKind::MassMemoryDownload) {
                if (!(value >= -32768 && value <= 32767)) std::abort();
            } else if (kind != OperationKind::InstantaneousReadout && !app::ToInt16(value)) {
                std::abort();
            }
        }
    }
    return 0;
}
