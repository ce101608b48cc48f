#pragma once
// The text console through which effects and loaders report progress.

class Console {
public:
    virtual ~Console() = default;
    virtual int columns() = 0;
    virtual int rows() = 0;
    virtual int setCursor(int x, int y) = 0;
    // Writes a NUL-terminated text; no newline is added.
    virtual int write(const char* text) = 0;
    virtual int clear() = 0;
    virtual int keyPressed() = 0;
    // Called after a fatal load error, before the process exits.
    virtual bool fatalError() = 0;
};

// The program's console: every operation does nothing.
class NullConsole final : public Console {
public:
    int columns() override { return 80; }
    int rows() override { return 50; }
    int setCursor(int, int) override { return 1; }
    int write(const char*) override { return 1; }
    int clear() override { return 1; }
    int keyPressed() override { return 0; }
    bool fatalError() override { return false; }
};
