#include "SysSetting.h"

#include "BackgroundButton.h"
#include "DeviceLinkState.h"
#include "DialogHost.h"
#include "QtUsb.h"
#include "YInfoBox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QColor kAccent(30, 144, 255);
constexpr int kFieldWidth = 100;
constexpr int kComboWidth = 80;
constexpr int kButtonHeight = 28;

void setTextColour(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(kAccent));
    widget->setPalette(palette);
}

// A field and its unit side by side, as one grid cell.
QWidget* withUnit(QWidget* field, const QString& unit, QWidget* parent)
{
    auto* cell = new QWidget(parent);
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    field->setParent(cell);
    row->addWidget(field);
    row->addWidget(new QLabel(unit, cell));
    row->addStretch();
    return cell;
}

QWidget* radioPair(QRadioButton* first, QRadioButton* second, QWidget* parent)
{
    auto* cell = new QWidget(parent);
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    first->setParent(cell);
    second->setParent(cell);
    row->addWidget(first);
    row->addWidget(second);
    row->addStretch();
    return cell;
}

} // namespace

SysSetting::SysSetting(QWidget* parent, DialogHost* host, QtUsb* usb)
    : YDialog(parent, tr("SysSetting"), 35, 450, 250, 1), m_host(host), m_usb(usb)
{
    Q_ASSERT(host && usb);
    hideSysButtons();
    bodyWidget()->setObjectName(QStringLiteral("WorkSpace"));
    auto* layout = new QVBoxLayout(bodyWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->setAlignment(Qt::AlignTop);
    m_content = new QWidget(bodyWidget());
    layout->addWidget(m_content);
    buildContent();
    setAttribute(Qt::WA_DeleteOnClose);
}

void SysSetting::buildContent()
{
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(5);
    layout->addWidget(buildConfigBox(m_content));

    m_readButton = makeButton(tr("Read"), m_content);
    m_writeButton = makeButton(tr("write"), m_content);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(100);
    buttons->addStretch();
    buttons->addWidget(m_readButton);
    buttons->addWidget(m_writeButton);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(m_readButton, &BackgroundButton::clicked, this, &SysSetting::OnRead);
    connect(m_writeButton, &BackgroundButton::clicked, this, &SysSetting::OnWrite);
}

QWidget* SysSetting::buildConfigBox(QWidget* parent)
{
    auto* box = new QGroupBox(tr("Config"), parent);
    box->setFixedHeight(200);
    setTextColour(box);

    m_squareWaveRadio = new QRadioButton(tr("SquareWaveMode"));
    m_sinCosRadio = new QRadioButton(tr("SinCosMode"));
    m_supplyOffRadio = new QRadioButton(tr("EncoderPoewrClose"));
    m_supplyOnRadio = new QRadioButton(tr("EncoderPoewrOpen"));
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(m_squareWaveRadio);
    modeGroup->addButton(m_sinCosRadio);
    auto* supplyGroup = new QButtonGroup(this);
    supplyGroup->addButton(m_supplyOffRadio);
    supplyGroup->addButton(m_supplyOnRadio);

    auto lineEdit = [box] {
        auto* edit = new QLineEdit(box);
        edit->setFixedWidth(kFieldWidth);
        return edit;
    };
    auto combo = [box](const QStringList& items) {
        auto* c = new QComboBox(box);
        c->setFixedWidth(kComboWidth);
        c->addItems(items);
        c->setCurrentIndex(0);
        return c;
    };
    m_sinCosEquivalent = lineEdit();
    m_zComparisonValue = lineEdit();
    m_adcGain = lineEdit();
    m_squareWaveFilter = combo({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")});
    m_squareWaveEquivalent = lineEdit();
    m_accuracy = combo({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                        QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")});
    m_filterLevel = combo({tr("None"), tr("MIDDLE"), tr("HIGH")});

    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(8, 14, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    auto label = [box](const QString& text) { return new QLabel(text, box); };
    grid->addWidget(label(tr("WorkerMode:")), 0, 0);
    grid->addWidget(radioPair(m_squareWaveRadio, m_sinCosRadio, box), 0, 1);
    grid->addWidget(label(tr("EncoderPoewr:")), 0, 2);
    grid->addWidget(radioPair(m_supplyOffRadio, m_supplyOnRadio, box), 0, 3);
    grid->addWidget(label(tr("SinCosEquivalent:")), 1, 0);
    grid->addWidget(withUnit(m_sinCosEquivalent, tr("um"), box), 1, 1);
    grid->addWidget(label(tr("ZcomparisonValue:")), 1, 2);
    grid->addWidget(m_zComparisonValue, 1, 3);
    grid->addWidget(label(tr("SquareWaveEquivalent:")), 2, 0);
    grid->addWidget(withUnit(m_squareWaveEquivalent, tr("um"), box), 2, 1);
    grid->addWidget(label(tr("AdcGain:")), 2, 2);
    grid->addWidget(m_adcGain, 2, 3);
    grid->addWidget(label(tr("SquareWaveEncoderFilter:")), 3, 0);
    grid->addWidget(m_squareWaveFilter, 3, 1);
    grid->addWidget(label(tr("Accuracy:")), 3, 2);
    grid->addWidget(m_accuracy, 3, 3);
    grid->addWidget(label(tr("FilterLevel:")), 4, 0);
    grid->addWidget(m_filterLevel, 4, 1);
    return box;
}

BackgroundButton* SysSetting::makeButton(const QString& text, QWidget* parent)
{
    auto* button = new BackgroundButton(parent);
    button->setText(text);
    button->setTextColor(kAccent);
    button->setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
    button->setFixedHeight(kButtonHeight);
    return button;
}

void SysSetting::refresh()
{
    const ConfigForm form = ConfigForm::fromRecord(m_usb->state().config());
    m_squareWaveRadio->setChecked(!form.sinCosMode);
    m_sinCosRadio->setChecked(form.sinCosMode);
    m_supplyOnRadio->setChecked(form.encoderPowerOn);
    m_supplyOffRadio->setChecked(!form.encoderPowerOn);
    // Long values do not fit the 100-pixel fields: show their leading digits.
    auto show = [](QLineEdit* edit, const QString& text) {
        edit->setText(text);
        edit->setCursorPosition(0);
    };
    show(m_sinCosEquivalent, form.sinCosEquivalent);
    show(m_zComparisonValue, form.zComparisonValue);
    show(m_adcGain, form.adcGain);
    m_squareWaveFilter->setCurrentIndex(form.squareWaveFilterIndex);
    show(m_squareWaveEquivalent, form.squareWaveEquivalent);
    m_accuracy->setCurrentIndex(form.accuracyIndex);
    m_filterLevel->setCurrentIndex(form.filterLevelIndex);
}

ConfigForm SysSetting::form() const
{
    ConfigForm form;
    form.sinCosMode = m_sinCosRadio->isChecked();
    form.encoderPowerOn = m_supplyOnRadio->isChecked();
    form.sinCosEquivalent = m_sinCosEquivalent->text();
    form.zComparisonValue = m_zComparisonValue->text();
    form.adcGain = m_adcGain->text();
    form.squareWaveFilterIndex = m_squareWaveFilter->currentIndex();
    form.squareWaveEquivalent = m_squareWaveEquivalent->text();
    form.accuracyIndex = m_accuracy->currentIndex();
    form.filterLevelIndex = m_filterLevel->currentIndex();
    return form;
}

QString SysSetting::errorText(ConfigForm::Error error)
{
    switch (error) {
    case ConfigForm::NoError:
        return QString();
    case ConfigForm::SinCosEquivalentEmpty:
        return tr("SinCosEquivalent is empty");
    case ConfigForm::ZComparisonValueEmpty:
        return tr("ZcomparisonValue is empty");
    case ConfigForm::AdcGainEmpty:
        return tr("AdcGain is empty");
    case ConfigForm::SquareWaveEquivalentEmpty:
        return tr("SquareWaveEquivalent is empty");
    case ConfigForm::SinCosEquivalentInvalid:
        return tr("SinCosEquivalent is not a valid number");
    case ConfigForm::ZComparisonValueOutOfRange:
        return tr("R comparison can not be less than 2 or more than 3");
    case ConfigForm::AdcGainInvalid:
        return tr("AdcGain is not a valid number");
    case ConfigForm::SquareWaveEquivalentInvalid:
        return tr("SquareWaveEquivalent is not a valid number");
    }
    return QString();
}

void SysSetting::EEpReadRet(bool ret)
{
    if (ret)
        refresh();
}

void SysSetting::OnRead()
{
    if (!m_usb->state().usbOpened()) {
        m_host->showAccessError();
        return;
    }
    m_usb->requestConfigRead();
    m_host->openWaitDialog();
}

void SysSetting::OnWrite()
{
    DeviceLinkState& state = m_usb->state();
    if (!state.usbOpened()) {
        m_host->showAccessError();
        return;
    }
    ConfigEdit edit;
    const ConfigForm::Error error = form().check(&edit);
    if (error != ConfigForm::NoError) {
        showErrorBox(tr("Error"), errorText(error), this);
        return;
    }
    state.editConfig([&edit](ConfigRecord& record) { edit.applyTo(record); });
    m_usb->requestConfigWrite(); // groups built from the record just stored
    m_host->openWaitDialog();
}
