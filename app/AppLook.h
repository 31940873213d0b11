#pragma once

class QString;
class QWidget;

// The application-wide look of the test program.

// Applies ":/UI/<name>" as the application style sheet: the bytes up to the
// first NUL, as Latin-1. A missing sheet gives an empty one.
void loadStyleSheet(const QString& name);

// Installs the Chinese catalogue ":/UI/tesvane_zh", whatever the system
// language.
void loadTranslator();

// Moves `w` to the middle of the whole virtual desktop.
void centerOnDesktop(QWidget* w);
