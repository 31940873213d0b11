// Renders the configuration dialogs and their error boxes to PNG files for
// review, offscreen, with the test program's style sheet and Chinese
// catalogue installed.
//
//     QT_QPA_PLATFORM=offscreen dialog_gallery <folder>
#include "DeviceLinkState.h"
#include "DialogHost.h"
#include "Gallery.h"
#include "QtUsb.h"
#include "SetPreValue.h"
#include "SysSetting.h"
#include "YInfoBox.h"

#include <QApplication>
#include <QLineEdit>

namespace {

Gallery g_gallery;

class NoHost : public DialogHost
{
public:
    void showAccessError() override {}
    void openWaitDialog() override {}
};

void settings(QtUsb* usb)
{
    NoHost host;
    ConfigRecord record;
    record.sinCosMode = 1;
    record.encoderPower = 1;
    record.sinCosEquivalent = 20000;
    record.zComparisonValue = 2500;
    record.adcGain = 128;
    record.squareWaveFilter = 3;
    record.squareWaveEquivalent = 5000;
    record.accuracy = 4;
    record.filterLevel = 1;
    DeviceLinkState::global().setConfig(record);
    auto* dialog = new SysSetting(nullptr, &host, usb);
    dialog->refresh();
    g_gallery.save(dialog, QStringLiteral("syssetting"), true);
    delete dialog;

    // The longest texts an operator can type into the fields.
    DeviceLinkState::global().setConfig(ConfigRecord());
    record = ConfigRecord();
    record.sinCosEquivalent = 4294967295u;
    record.zComparisonValue = 3000;
    record.adcGain = 255;
    record.squareWaveEquivalent = 4294967295u;
    record.encoderPower = 0;
    DeviceLinkState::global().setConfig(record);
    dialog = new SysSetting(nullptr, &host, usb);
    dialog->refresh();
    g_gallery.save(dialog, QStringLiteral("syssetting_widest_values"), true);
    delete dialog;
}

void preset()
{
    SetPreValue dialog(nullptr);
    dialog.valueEdit()->setText(QStringLiteral("-12.5"));
    g_gallery.save(&dialog, QStringLiteral("setprevalue"), true);
}

void errorBoxes()
{
    for (ConfigForm::Error error :
         {ConfigForm::SinCosEquivalentEmpty, ConfigForm::SquareWaveEquivalentEmpty,
          ConfigForm::SinCosEquivalentInvalid, ConfigForm::ZComparisonValueOutOfRange,
          ConfigForm::AdcGainInvalid, ConfigForm::SquareWaveEquivalentInvalid}) {
        auto* box = new YInfoBox;
        box->setInfo(SysSetting::tr("Error"), SysSetting::errorText(error), YInfoBox::Hand);
        g_gallery.save(box, QStringLiteral("syssetting_error%1").arg(int(error)), true);
        delete box;
    }
    const char* const presetTexts[] = {"Preavlue is empty", "Please enter the correct default"};
    for (int i = 0; i < 2; ++i) {
        auto* box = new YInfoBox;
        box->setInfo(SetPreValue::tr("Error"), SetPreValue::tr(presetTexts[i]), YInfoBox::Hand);
        g_gallery.save(box, QStringLiteral("setprevalue_error%1").arg(i), true);
        delete box;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!g_gallery.begin(argc, argv, "dialog_gallery"))
        return 2;
    QtUsb usb; // never opened: the dialogs only read its link state
    settings(&usb);
    preset();
    errorBoxes();
    return 0;
}
