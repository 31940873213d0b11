#pragma once

#include <QString>
#include <QTranslator>

class QWidget;

// What both review programs do: take the output folder from the command
// line, install the test program's style sheet and catalogue, and save
// widgets as PNG files.
class Gallery
{
public:
    // False (usage printed) when no folder was given.
    bool begin(int argc, char** argv, const char* program);

    // Shows the widget and saves what it paints; with `matte` over a grey
    // border, so that transparent parts show.
    void save(QWidget* widget, const QString& name, bool matte);

private:
    QString m_folder;
    QTranslator m_translator;
};
