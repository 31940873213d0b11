#pragma once

#include <QColor>
#include <QString>
#include <QTranslator>

#include <functional>

class QWidget;

// What the review programs do: take the output folder from the command
// line, install a program's style sheet and catalogue, and save widgets as
// PNG files.
class Gallery
{
public:
    // False (usage printed) when no folder was given. `catalogue` is the
    // resource name of the program's Chinese catalogue.
    bool begin(int argc, char** argv, const char* program,
               const QString& catalogue = QStringLiteral("tesvane_zh"));

    // Installs or removes the catalogue: widgets built afterwards show the
    // Chinese or the English source texts.
    void setChinese(bool chinese);

    // Shows the widget and saves what it paints; with `matte` over a border
    // of `matteColour`, so that transparent parts show.
    void save(QWidget* widget, const QString& name, bool matte,
              const QColor& matteColour = QColor(120, 124, 130));

    // Lets the program's threads and windows run for `ms`, or until `done`.
    static void run(int ms, const std::function<bool()>& done = {});

private:
    QString m_folder;
    QTranslator m_translator;
};
