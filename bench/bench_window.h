// What the window benchmarks share: an off-screen window over the simulated bench.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "app/qt/form1.h"
#include "tests/support/standin_control.h"

namespace bench {

class PrintingNotifier : public app::Notifier {
  public:
    void Tell(const std::string& message) override {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
};

inline double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline void SetText(Form1& form, const char* box, const QString& text) {
    static_cast<QLineEdit*>(form.Control(box))->setText(text);
}

inline void Click(Form1& form, const char* button) {
    static_cast<QPushButton*>(form.Control(button))->click();
}

}  // namespace bench
