#include "translation/Udialog.h"

#include "controls/Uddbtn.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/ControlEvents.h"
#include "platform/ControlLook.h"
#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "platform/StdControls.h"
#include "translation/QorPrevod.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QScreen>
#include <QShowEvent>

namespace translation {

using platform::ComponentKind;

namespace {

const QString TranslatorFormName = QStringLiteral("FQorPrevod");
const QString TitleName = QStringLiteral("Title");

const QColor HighlightColour(255, 0, 0);
const QColor HighlightText(0, 0, 0);

} // namespace

// Highlights a control for the time of its lookups and puts its look back afterwards,
// also when a lookup fails.
TPrevodInterface::HighlightScope::HighlightScope(QWidget* control, Highlight highlight)
    : control_(highlight == Highlight::None ? nullptr : control) {
    if (!control_)
        return;
    saved_ = platform::saveLook(control_);
    if (highlight == Highlight::ColourAndFontColour) {
        platform::setColor(control_, HighlightColour);
        platform::setFontColor(control_, HighlightText);
    } else {
        platform::setFontColor(control_, HighlightColour);
    }
}

TPrevodInterface::HighlightScope::~HighlightScope() {
    if (control_)
        platform::restoreLook(control_, saved_);
}

TTranslatable::TTranslatable(QWidget* parent) : TQorColorForm(parent) {}

TTranslatable::~TTranslatable() = default;

TQorPrevod* TTranslatable::Prevod() const {
    return prevod_;
}

void TTranslatable::CreateForm() {
    TQorColorForm::CreateForm();
    prevod_ = new TQorPrevod(this);
    platform::registerComponent(this, prevod_);
}

void TTranslatable::changeEvent(QEvent* event) {
    TQorColorForm::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    if (QWidget* control = focusWidget())
        QCoreApplication::postEvent(control, new QEvent(platform::ControlEnteredEvent));
}

void TTranslatable::showEvent(QShowEvent* event) {
    TQorColorForm::showEvent(event);
    TFormShownEvent shown(this);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &shown);
}

TWForm::TWForm(QWidget* parent) : TTranslatable(parent) {}

TWForm::~TWForm() {
    controls::DetachStdButtons();
}

void TWForm::CreateForm() {
    TTranslatable::CreateForm();
    if (QScreen* shown = screen())
        pixelsPerInch_ = qRound(shown->logicalDotsPerInch());
}

TDialog::TDialog(QWidget* parent) : TWForm(parent) {
    setModal(true);
}

TDialog::~TDialog() = default;

void TDialog::setVisible(bool visible) {
    TWForm::setVisible(visible);
    if (!isVisible() && testAttribute(Qt::WA_WState_Created))
        destroy();
}

void TPrevodInterface::Bind(Lookup lookup, TQorPrevod* engine) {
    lookup_ = std::move(lookup);
    engine_ = engine;
}

void TPrevodInterface::SetWriteMode(bool on) {
    writeMode_ = on;
}

void TPrevodInterface::TranslateComponent(QObject* component) {
    const ComponentKind kind = platform::kindOf(component);
    const int tag = platform::tagOf(component);
    switch (kind) {
    case ComponentKind::MenuItem:
        translateMenuItem(component);
        return;
    case ComponentKind::Label:
    case ComponentKind::CheckBox:
    case ComponentKind::RadioButton:
        if (tag != 1)
            translateCaption(component, Highlight::ColourAndFontColour);
        return;
    case ComponentKind::BitBtn:
    case ComponentKind::Button:
        if (tag != 1)
            translateButton(component, kind == ComponentKind::Button);
        return;
    case ComponentKind::SpeedButton:
        translateButton(component, false);
        return;
    case ComponentKind::TabSheet:
    case ComponentKind::GroupBox:
        translateCaption(component, Highlight::None);
        return;
    case ComponentKind::RadioGroup:
        if (tag != 1)
            translateRadioGroup(component);
        return;
    case ComponentKind::Panel:
        if (tag != 1 && !platform::isXPanel(component) && !platform::captionOf(component).isEmpty())
            translateCaption(component, Highlight::None);
        return;
    default:
        return;
    }
}

void TPrevodInterface::translateMenuItem(QObject* item) {
    const auto* action = qobject_cast<const QAction*>(item);
    const QString caption = platform::captionOf(item);
    if (caption == QLatin1String("-") || (action && action->isSeparator()))
        return;
    translateCaption(item, Highlight::None);
}

void TPrevodInterface::translateCaption(QObject* component, Highlight highlight) {
    const HighlightScope shown(qobject_cast<QWidget*>(component),
                               writeMode_ ? highlight : Highlight::None);
    platform::setCaption(component,
                         lookUp(component->objectName(), platform::captionOf(component)));
}

void TPrevodInterface::translateButton(QObject* button, bool emptyCaptionToo) {
    auto* control = qobject_cast<QWidget*>(button);
    const HighlightScope shown(control, writeMode_ ? Highlight::FontColour : Highlight::None);
    const QString caption = platform::captionOf(button);
    if (emptyCaptionToo || !caption.isEmpty())
        platform::setCaption(button, lookUp(button->objectName(), caption));
    if (control && platform::showHint(control))
        platform::setHint(button, lookUp(button->objectName() + QStringLiteral("_Hint"),
                                         platform::hintOf(button)));
}

void TPrevodInterface::translateRadioGroup(QObject* component) {
    if (!platform::captionOf(component).isEmpty())
        translateCaption(component, Highlight::None);
    auto* group = qobject_cast<platform::TRadioGroup*>(component);
    if (!group)
        return;
    const QStringList items = group->items();
    for (int i = 0; i < items.size(); ++i)
        group->setItem(i, lookUp(component->objectName() + QLatin1Char('_') + QString::number(i),
                                 items.at(i)));
}

QString TPrevodInterface::lookUp(const QString& name, const QString& source) const {
    QString result = source;
    if (lookup_)
        lookup_(name, source, result);
    return result;
}

// --- The engine's pass over a form ---------------------------------------------------

namespace {

// A frame is a component whose class, or one of its ancestors, is named "TFRAME".
bool isFrame(const QObject* component) {
    for (const QMetaObject* meta = component->metaObject(); meta; meta = meta->superClass()) {
        QString name = QString::fromLatin1(meta->className());
        if (const qsizetype colons = name.lastIndexOf(QLatin1String("::")); colons >= 0)
            name = name.mid(colons + 2);
        if (name.toUpper() == QLatin1String("TFRAME"))
            return true;
    }
    return false;
}

// Sets the form's line of "PrevodForme.Log" (one "name=HH:NN:SS:ZZZ" line per form) to
// the duration of its last pass. The log is a measurement: a log that cannot be written
// does not stop the form.
void logPassDuration(const QString& formName, qint64 milliseconds) {
    const QString path = TQorPrevod::programFolder() + QStringLiteral("PrevodForme.Log");
    QStringList lines;
    QFile file(path);
    if (file.exists() && file.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(file.readAll());
        for (QString line : text.split(QLatin1Char('\n'))) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (!line.isEmpty())
                lines.append(line);
        }
        file.close();
    }
    const QString duration = platform::formatDateTime(QStringLiteral("HH:NN:SS:ZZZ"),
                                                      double(milliseconds) / platform::MSecsPerDay);
    const QString entry = formName + QLatin1Char('=') + duration;
    const QString prefix = formName.toUpper() + QLatin1Char('=');
    auto found = std::find_if(lines.begin(), lines.end(), [&](const QString& line) {
        return line.toUpper().startsWith(prefix);
    });
    if (found != lines.end())
        *found = entry;
    else
        lines.append(entry);
    ignoreErrors([&] {
        platform::writeFileAtomically(
            path, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    });
}

// Puts the engine's switches back when a pass ends, also by an error.
class PassSwitches {
public:
    explicit PassSwitches(TQorPrevod& engine) : engine_(engine), writeMode_(engine.WriteMode()) {
        engine.setBusy(true);
        engine.setWriteMode(engine.AutoCreateTranslations());
        if (engine.AutoCreateTranslations())
            engine.setOnlyCreateTranslations(true);
    }
    ~PassSwitches() {
        engine_.setOnlyCreateTranslations(false);
        engine_.setBusy(false);
        engine_.setWriteMode(writeMode_);
    }
    PassSwitches(const PassSwitches&) = delete;
    PassSwitches& operator=(const PassSwitches&) = delete;

private:
    TQorPrevod& engine_;
    bool writeMode_;
};

// Closes the cache file and logs the pass's duration when the pass ends, also by an error.
class PassEnd {
public:
    PassEnd(TQorPrevod& engine, QString formName)
        : engine_(engine), formName_(std::move(formName)) {
        clock_.start();
    }
    ~PassEnd() {
        engine_.CloseLocalFile();
        logPassDuration(formName_, clock_.elapsed());
    }
    PassEnd(const PassEnd&) = delete;
    PassEnd& operator=(const PassEnd&) = delete;

private:
    TQorPrevod& engine_;
    QString formName_;
    QElapsedTimer clock_;
};

// The form whose pass the engine runs: its owner when that is a form, else the active
// window.
QWidget* formOf(QObject* owner) {
    if (auto* widget = qobject_cast<QWidget*>(owner);
        widget && platform::isKind(widget, ComponentKind::Form))
        return widget;
    return QApplication::activeWindow();
}

// The form's caption under "Title", while the form's Tag says it is still to be done.
void translateFormCaption(TQorPrevod& engine) {
    QWidget* form = engine.CurrentForm();
    if (!form || platform::tagOf(form) != 0)
        return;
    const QString caption = form->windowTitle();
    if (engine.WriteMode())
        engine.EnsureSourceText(TitleName, caption);
    QString translated = caption;
    engine.GetTranslation(TitleName, caption, translated);
    form->setWindowTitle(translated);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (engine.onFormPrevod)
        engine.onFormPrevod(form->objectName(), engine.WriteMode());
}

// The translator's command of a write-mode key.
void runWriteModeCommand(TQorPrevod& engine, char key) {
    switch (key) {
    case 'M':
        engine.OpenTranslationManagerExecute();
        return;
    case 'C':
        engine.HandleConstants();
        return;
    case 'K':
        engine.OpenConstantsManager();
        return;
    case 'X':
        engine.SwitchOff();
        return;
    case 'T':
        engine.RetranslateForm();
        return;
    case 'N':
        engine.Settings();
        return;
    default:
        return;
    }
}

// The write-mode keys: six actions of the form on Ctrl+Shift+Alt and a letter, gathered
// in an action group of the form.
void installWriteModeKeys(TQorPrevod& engine, QWidget* form) {
    auto* keys = new QActionGroup(form);
    keys->setExclusive(false);
    for (const char key : {'M', 'C', 'K', 'X', 'T', 'N'}) {
        auto* action = new QAction(form);
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key(key)));
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, &engine,
                         platform::guarded([&engine, key] { runWriteModeCommand(engine, key); }));
        keys->addAction(action);
        form->addAction(action);
    }
}

} // namespace

void TQorPrevod::TranslateOwnerForm(QObject* owner) {
    if (!Translation() || Busy())
        return;
    QWidget* form = formOf(owner);
    if (!form || platform::tagOf(form) == -1 || form->objectName().isEmpty() ||
        form->objectName() == TranslatorFormName)
        return;
    const PassEnd end(*this, form->objectName());
    OpenLocalFile(true);
    setLocalValid(false);
    SetFormRecord(form->objectName());
    PreloadFormTexts();
    setSection(form->objectName());
    if (!FormId().isEmpty()) {
        CheckLocalSection();
        WriteServerStamp();
    }
    if (WriteMode())
        installWriteModeKeys(*this, form);
    const PassSwitches switches(*this);
    form->setEnabled(false);
    shownOnError([this, form] { FormTranslation(form); },
                 QStringLiteral("Error translating form in application.\n\n"));
    form->setEnabled(true);
}

void TQorPrevod::FormTranslation(QObject* component) {
    if (!component)
        return;
    const bool frame = isFrame(component);
    if (!frame)
        setCurrentForm(qobject_cast<QWidget*>(component));
    setAbortRequested(false);
    SetFormRecord(component->objectName());
    if (!Translation())
        return;
    if (!frame)
        translateFormCaption(*this);
    for (QObject* owned : platform::componentsOf(component)) {
        if (AbortRequested())
            return;
        if (isFrame(owned)) {
            FormTranslation(owned);
            continue;
        }
        TPrevodInterface walker;
        walker.Bind([this](const QString& name, const QString& source,
                           QString& result) { GetTranslation(name, source, result); },
                    this);
        walker.SetWriteMode(WriteMode());
        walker.TranslateComponent(owned);
    }
    if (!AbortRequested())
        platform::setTag(component, -1);
}

void TQorPrevod::RetranslateForm() {
    if (!Translation())
        return;
    QWidget* form = QApplication::activeWindow();
    if (!form || form->objectName() == TranslatorFormName)
        return;
    platform::setTag(form, 0);
    setLocalValid(false);
    setBusy(true);
    shownOnError(
        [this, form] {
            OpenLocalFile(false);
            FormTranslation(form);
        },
        QStringLiteral("Error translating application.\n\n"));
    setBusy(false);
    CloseLocalFile();
}

} // namespace translation
