#pragma once

// Start-up: sets up the application, shows the main window and runs until it closes.
int runRubello(int argc, char *argv[]);

// Japanese texts for Qt's own buttons and dialogs, and the font stand-ins.
void installJapaneseEnvironment();
