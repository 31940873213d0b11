#pragma once

#include <QColor>
#include <QString>
#include <QTranslator>

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

private:
    QString m_folder;
    QTranslator m_translator;
};
