// What the programs hand to QApplication. Qt acts on options it finds on the command line
// (-reverse mirrors the whole layout, -style and -platform change the window); the programs
// take none of them, so Qt is handed the program's name alone. (The two programs whose user
// chooses the interface read their one option from the command line themselves.)
#pragma once

class ProgramArguments {
  public:
    ProgramArguments(int argc, char** argv) {
        if (argc > 0 && argv[0]) values_[0] = argv[0];
    }
    // QApplication keeps both for its lifetime: this object must outlive it.
    int& count() { return count_; }
    char** values() { return values_; }

  private:
    char fallbackName_[7] = "tq58pc";  // for a start with an empty argument vector
    int count_ = 1;
    char* values_[2] = {fallbackName_, nullptr};
};
