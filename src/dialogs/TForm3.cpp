#include "dialogs/TForm3.h"

#include "widgets/ErrorBox.h"
#include "session/SettingsStore.h"
#include "widgets/UpperCaseValidator.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>

#include <cstdint>
#include <utility>

namespace kelvan::dialogs {
namespace {

// Windows names ports "COM1" in any case and the field shows them in capitals; POSIX device
// names are case-sensitive paths and are kept exactly as written.
// A path needs a wider field than "COM1": there the field takes the box's width beside a
// label moved to the left edge. The arrow of the detected ports takes the field's right end.
#ifdef Q_OS_WIN
constexpr bool PortNamesInCapitals = true;
constexpr int PortLabelLeft = 56;
constexpr QRect PortFieldGeometry(104, 40, 57, 21);
#else
constexpr bool PortNamesInCapitals = false;
constexpr int PortLabelLeft = 16;
constexpr QRect PortFieldGeometry(48, 40, 113, 21);
#endif

QLabel* placeLabel(QWidget* parent, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// A detected port as its list shows it: the name to open, the device a stable name leads to,
// and what the device calls itself. Ampersands are doubled, as a menu would take one for a
// shortcut marker.
QString portCaption(const session::DetectedPort& port) {
    QString caption = port.name();
    if (!port.stableName.isEmpty()) {
        caption += QStringLiteral(" → ") + port.device;
    }
    if (!port.description.isEmpty()) {
        caption += QStringLiteral(" — ") + port.description;
    }
    return caption.replace(u'&', QStringLiteral("&&"));
}

QCheckBox* placeOption(QWidget* parent, const QString& caption, int top) {
    auto* box = new QCheckBox(caption, parent);
    box->move(8, top);
    box->adjustSize();
    box->setChecked(session::DefaultOption);
    return box;
}

}  // namespace

TForm3::TForm3(Host& host, QWidget* parent)
    : widgets::FixedDialog(QStringLiteral("Настройки"), QColor(192, 210, 192), QSize(400, 300),
                           parent),
      host_(host) {
    buildControls();
    FormCreate();
}

TForm3::~TForm3() {
    FormDestroy();
}

void TForm3::buildControls() {
    PageControl1 = new QTabWidget(this);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("Связь"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Программирование"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Файлы"));
    // Opens on "Программирование"; afterwards the tab widget keeps the page last shown.
    PageControl1->setCurrentWidget(TabSheet2);

    GroupBox1 = new QGroupBox(QStringLiteral("Настройки порта"), TabSheet1);
    GroupBox1->setGeometry(8, 8, 177, 201);
    Label1 = placeLabel(GroupBox1, QStringLiteral("Порт"), PortLabelLeft, 43);
    Edit1 = new QLineEdit(QString::fromUtf8(session::DefaultPortName), GroupBox1);
    Edit1->setGeometry(PortFieldGeometry);
    if (PortNamesInCapitals) {
        Edit1->setValidator(new widgets::UpperCaseValidator(Edit1));
    }
    detectedPortsAction_ =
        Edit1->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    detectedPortsAction_->setToolTip(QStringLiteral("Найденные порты"));
    detectedPortsMenu_ = new QMenu(Edit1);
    connect(detectedPortsAction_, &QAction::triggered, this, &TForm3::showDetectedPorts);
    Label2 = placeLabel(GroupBox1, QStringLiteral("Скорость"), 32, 91);
    ysIntEdit1 = new widgets::TysIntEdit(GroupBox1);
    ysIntEdit1->setGeometry(104, 88, 57, 21);
    ysIntEdit1->setValue(session::DefaultBitrate);
    Label3 = placeLabel(GroupBox1, QStringLiteral("Девятый бит"), 16, 139);
    ComboBox1 = new NinthBitBox(GroupBox1);
    ComboBox1->setGeometry(104, 136, 57, 21);
    ComboBox1->setCurrentIndex(session::DefaultParity);

    GroupBox2 = new QGroupBox(QStringLiteral("Запись программ"), TabSheet2);
    GroupBox2->setGeometry(8, 0, 177, 225);
    GroupBox3 = new QGroupBox(QStringLiteral("Запись EEPROM"), TabSheet2);
    GroupBox3->setGeometry(200, 0, 177, 225);
    for (QGroupBox* box : {GroupBox2, GroupBox3}) {
        placeLabel(box, QStringLiteral("перед записью"), 32, 24);
        placeLabel(box, QStringLiteral("после записи"), 32, 152);
    }
    CheckBox1 = placeOption(GroupBox2, QStringLiteral("обновлять буфер"), 40);
    CheckBox10 = placeOption(GroupBox2, QStringLiteral("проверять сигнатуру"), 64);
    CheckBox2 = placeOption(GroupBox2, QStringLiteral("стирать все"), 88);
    CheckBox8 = placeOption(GroupBox2, QStringLiteral("проверять сигнатуру"), 112);
    CheckBox3 = placeOption(GroupBox2, QStringLiteral("верифицировать"), 168);
    CheckBox11 = placeOption(GroupBox2, QStringLiteral("Ставить биты защиты"), 192);
    CheckBox5 = placeOption(GroupBox3, QStringLiteral("обновлять буфер"), 40);
    CheckBox9 = placeOption(GroupBox3, QStringLiteral("проверять сигнатуру"), 64);
    CheckBox6 = placeOption(GroupBox3, QStringLiteral("стирать EEPROM"), 88);
    CheckBox7 = placeOption(GroupBox3, QStringLiteral("верифицировать"), 168);

    GroupBox4 = new QGroupBox(QStringLiteral("Форматы файлов"), TabSheet3);
    GroupBox4->setGeometry(8, 0, 177, 225);
    CheckBox4 = placeOption(GroupBox4, QStringLiteral("понимать HEX-файлы"), 24);
    CheckBox12 = placeOption(GroupBox4, QStringLiteral("понимать EEP-файлы"), 48);

    options_ = {CheckBox1, CheckBox2, CheckBox3, CheckBox4,  CheckBox5,  CheckBox6,
                CheckBox7, CheckBox8, CheckBox9, CheckBox10, CheckBox11, CheckBox12};

    Button1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Button1->setGeometry(312, 264, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] {
        Button1Click();
        accept();
    });
    Button2 = new QPushButton(QStringLiteral("Отменить"), this);
    Button2->setGeometry(224, 264, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm3::FormCreate() {
    startingUp_ = true;
    host_.startWatchdog();
    ReadRegistry();
    PageControl1->setGeometry(rect());
    Button2->raise();
    Button1->raise();

    if (const QString failure = host_.session().openPort(); !failure.isEmpty()) {
        reportError(failure);
    }

    const session::StoredSettings stored = session::SettingsStore().readAll();
    if (QFileInfo(stored.path).isDir()) {
        host_.setCurrentFolder(stored.path);
    }
    for (int number = 1; number <= session::OptionCount; ++number) {
        CheckBox(number)->setChecked(stored.options.at(static_cast<std::size_t>(number) - 1));
    }
    startingUp_ = false;
}

void TForm3::showStartupErrors() {
    const QStringList errors = std::exchange(startupErrors_, {});
    for (const QString& text : errors) {
        widgets::showErrorBox(parentWidget(), text);
    }
}

void TForm3::ReadRegistry() {
    session::SettingsStore store;
    setPortName(store.readOrWriteString(session::ComPortValue, Edit1->text()));
    ysIntEdit1->setValue(store.readOrWriteInt(session::BitrateValue, ysIntEdit1->Value()));

    if (const std::optional<std::int32_t> stored = store.readInt(session::ParityValue)) {
        if (*stored != ComboBox1->currentIndex()) {
            const bool listed = *stored >= 0 && *stored < ComboBox1->count();
            ComboBox1->setCurrentIndex(listed ? *stored : -1);
        }
    } else {
        store.writeInt(session::ParityValue, ComboBox1->currentIndex());
    }
    host_.session().configurePort(portSettings());
    syncStore(store);
}

session::PortSettings TForm3::portSettings() const {
    return {Edit1->text().toStdString(), static_cast<std::uint32_t>(ysIntEdit1->Value()),
            ComboBox1->currentIndex()};
}

void TForm3::WriteRegistry() {
    session::SettingsStore store;
    store.writeString(session::ComPortValue, Edit1->text());
    store.writeInt(session::BitrateValue, ysIntEdit1->Value());
    store.writeInt(session::ParityValue, ComboBox1->currentIndex());
    syncStore(store);
}

void TForm3::Button1Click() {
    WriteRegistry();
    host_.portSettingsSaved(portSettings(), this);
}

void TForm3::FormDestroy() {
    session::SettingsStore store;
    store.writeString(session::PathValue, host_.currentFolder());
    for (int number = 1; number <= session::OptionCount; ++number) {
        store.writeInt(session::checkValueName(number), option(number) ? 1 : 0);
    }
    syncStore(store);
}

void TForm3::syncStore(session::SettingsStore& store) {
    if (!store.sync()) {
        reportError(QStringLiteral("Невозможно сохранить настройки: ") + store.location());
    }
}

void TForm3::reportError(const QString& text) {
    if (startingUp_) {
        startupErrors_ << text;
        return;
    }
    widgets::showErrorBox(parentWidget(), text);
}

void TForm3::setPortName(const QString& name) {
    Edit1->setText(PortNamesInCapitals ? name.toUpper() : name);
}

void TForm3::showDetectedPorts() {
    detectedPortsMenu_->clear();
    const QList<session::DetectedPort> ports = listPorts_();
    if (ports.isEmpty()) {
        detectedPortsMenu_->addAction(QStringLiteral("Порты не найдены"))->setEnabled(false);
    }
    for (const session::DetectedPort& port : ports) {
        const QString name = port.name();
        connect(detectedPortsMenu_->addAction(portCaption(port)), &QAction::triggered, this,
                [this, name] { setPortName(name); });
    }
    detectedPortsMenu_->popup(Edit1->mapToGlobal(Edit1->rect().bottomLeft()));
}

bool TForm3::option(int number) const {
    return options_.at(static_cast<std::size_t>(number - 1))->isChecked();
}

QCheckBox* TForm3::CheckBox(int number) {
    return options_.at(static_cast<std::size_t>(number - 1));
}

}  // namespace kelvan::dialogs
