#pragma once

#include "app/window.h"

class QWidget;

// Tells the user in a modal message box; only for refusals and a missing driver, never for
// bus failures, which go to the status line.
class MessageBoxNotifier : public app::Notifier {
  public:
    explicit MessageBoxNotifier(QWidget* parent) : parent_(parent) {}
    void Tell(const std::string& message) override;

  private:
    QWidget* parent_;
};
