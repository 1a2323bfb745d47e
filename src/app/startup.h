#pragma once

// Start-up: sets up the application, shows the main window and runs until it closes.
int runRubello(int argc, char *argv[]);

// Japanese texts for Qt's own buttons and dialogs, and the font stand-ins.
void installJapaneseEnvironment();

// Large blocks (a whole document's text) come from the heap and are reused, rather
// than mapped fresh for every command that reads the text: first touches of fresh
// pages cost more than the search itself on some machines.
void keepLargeBlocksInHeap();

// While it lives, large blocks are mapped after all: a load's file bytes and
// decoded text go back to the system when freed, and the document's growing text
// moves by remapping instead of leaving each smaller copy behind in the heap.
class MappedLargeBlocks
{
public:
    MappedLargeBlocks();
    ~MappedLargeBlocks();
    MappedLargeBlocks(const MappedLargeBlocks &) = delete;
    MappedLargeBlocks &operator=(const MappedLargeBlocks &) = delete;

private:
    bool m_switched = false;
};

class MainWindow;

// SIGTERM and SIGHUP end the window from the event loop, as closing it does but
// without asking: unsaved work is kept in a copy, the preview file removed.
void endCleanlyOnSignals(MainWindow &window);
