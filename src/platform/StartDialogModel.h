#pragma once
// The start dialog's behaviour, apart from how it is drawn: which mode, and whether to start.

struct StartDialogModel {
    // Control ids of the dialog.
    enum : int { Go = 1, Yuck = 2, Fullscreen = 1000, Windowed = 1001 };

    int windowed = 0; // 0 = full screen (checked at start), 1 = windowed
    int go = 0;       // 1 = start the show
    bool ended = false;

    void initialise()
    {
        windowed = 0;
        go = 0;
        ended = false;
    }
    // Carries out one command; every other id is accepted and ignored.
    void command(int id)
    {
        switch (id) {
        case Go:
            go = 1;
            ended = true;
            break;
        case Yuck:
            go = 0;
            ended = true;
            break;
        case Fullscreen: windowed = 0; break;
        case Windowed: windowed = 1; break;
        default: break;
        }
    }
    // Closing the window ends the dialog with `go` as it was.
    void close() { ended = true; }
};
