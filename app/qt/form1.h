// The program's one window on Qt Widgets, built from the layout table.
#pragma once

#include <QWidget>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/operation_runner.h"
#include "app/window.h"

class QLabel;
class QProgressBar;

class Form1 : public QWidget, public app::Window {
  public:
    // notifier: where messages to the user go (a message box when none is given);
    // outputFolder: where the downloads write (the program's folder when empty).
    explicit Form1(app::Notifier* notifier = nullptr, std::filesystem::path outputFolder = {},
                   QWidget* parent = nullptr);
    ~Form1() override;

    // app::Window
    std::string Text(std::string_view textBox) const override;
    bool Selected(std::string_view optionButton) const override;
    void SetCaption(std::string_view label, const std::string& caption) override;
    void ShowProgress(int done, int total) override;
    void ShowStatus(const app::Status& status) override;
    bool StopRequested() const override { return stopRequested_; }

    // A control by its name in the layout table.
    QWidget* Control(std::string_view name) const;
    bool OperationRunning() const { return runner_.running(); }

    // Two rows: the progress bar and the outcome, then the folder of the latest download.
    static constexpr int kStatusLineHeight = 44;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void BuildStatusLine();
    void RunOperation(app::OperationKind kind);
    void InstallEventStep();

    std::map<std::string, QWidget*, std::less<>> controls_;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* folder_ = nullptr;
    std::unique_ptr<app::Notifier> ownNotifier_;
    app::OperationRunner runner_;
    bool stopRequested_ = false;
    bool focusPlaced_ = false;
};
