// The page "Translations": the workstation's translation settings (the language and the
// switches of "QorTrans.ini" beside the program, and the cache file they lead to), and
// buttons that open the translation manager: the list of the calendar's texts, the
// single-text dialog for one of them, and the language page (its choice is shown here,
// not written anywhere).
#include "gallery/Gallery.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "translation/QorPrevod.h"
#include "translation/uFQorPrevodi.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

using translation::TFQorPrevod;
using translation::TQorPrevod;

const QString DemoForm = QStringLiteral("koledar");

// An engine with the workstation's settings. It reads no requests, so opening the page
// changes nothing.
std::unique_ptr<TQorPrevod> workstationEngine() {
    auto engine = std::make_unique<TQorPrevod>(nullptr, TQorPrevod::Creation::Designing);
    engine->ReadWorkstationSettings();
    engine->setLanguageText(engine->SelectValue(
        QStringLiteral("prevod_jeziki"), QStringLiteral("opis"),
        QStringLiteral("koda_jezika=:KODA"), {{QStringLiteral("KODA"), engine->Language()}}));
    return engine;
}

// The manager's engine: the calendar's form record in English, the language of the demo
// translations.
std::unique_ptr<TQorPrevod> demoEngine() {
    auto engine = std::make_unique<TQorPrevod>(nullptr, TQorPrevod::Creation::Designing);
    engine->setLanguage(QStringLiteral("ENG"));
    engine->setLanguageText(QStringLiteral("English"));
    engine->SetFormRecord(DemoForm);
    return engine;
}

QString yesNo(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

class TranslationsPage;

// The page last built, while it exists.
QPointer<QWidget>& shownPagePointer() {
    static QPointer<QWidget> page;
    return page;
}

class TranslationsPage : public QWidget {
public:
    TranslationsPage() {
        shownPagePointer() = this;
        QGridLayout* grid = gallery::formGrid(this);
        language_ = value(grid, QStringLiteral("lLanguage"), QStringLiteral("Language"));
        translation_ = value(grid, QStringLiteral("lTranslation"), QStringLiteral("Translation"));
        writeMode_ = value(grid, QStringLiteral("lWriteMode"), QStringLiteral("Write mode"));
        autoCreate_ = value(grid, QStringLiteral("lAutoCreate"), QStringLiteral("Auto-create"));
        cache_ = value(grid, QStringLiteral("lCacheFile"), QStringLiteral("Cache file"));
        auto* buttons = new QWidget(this);
        auto* row = new QHBoxLayout(buttons);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(button(buttons, QStringLiteral("bbFormList"),
                              QStringLiteral("English texts of the calendar"),
                              [] { openFormList(false); }));
        row->addWidget(button(buttons, QStringLiteral("bbSingleText"),
                              QStringLiteral("Translate one text"), [] { openSingleText(); }));
        row->addWidget(button(buttons, QStringLiteral("bbLanguagePage"),
                              QStringLiteral("Language page"), [this] { openLanguagePage(); }));
        row->addStretch();
        auto* caption = gallery::addRow(grid, QStringLiteral("Translation manager"), buttons);
        caption->setBuddy(buttons->findChild<QPushButton*>());
        showSettings(*workstationEngine());
    }

    // The manager's list of the calendar's texts; for a picture, the translated ones
    // with the transfer panel open.
    static void openFormList(bool translatedWithTransfer) {
        auto engine = demoEngine();
        TFQorPrevod* form = engine->CreateManagerForm(); // frees itself when closed
        if (translatedWithTransfer) {
            QTimer::singleShot(0, form, [form] {
                for (const char* name : {"SBT", "CBInstall"})
                    if (auto* button = qobject_cast<QAbstractButton*>(
                            platform::findComponent(form, QString::fromLatin1(name))))
                        button->click();
            });
        }
        form->ShowFormList();
    }

    static void openSingleText() {
        auto engine = demoEngine();
        std::unique_ptr<TFQorPrevod> form(engine->CreateManagerForm());
        form->setFreeOnClose(false);
        QString text;
        bool stop = false;
        bool onlyCreate = false;
        form->TranslateText(QStringLiteral("pnlMON"), text, stop, onlyCreate);
    }

    void openLanguagePage() {
        auto engine = workstationEngine();
        bool translationOn = engine->Translation();
        bool writeMode = engine->WriteMode();
        QString code;
        QString description;
        const QPointer<TranslationsPage> self(this); // the page may be gone afterwards
        engine->CreateManagerForm()->EditSettings(translationOn, writeMode, code, description);
        if (!self)
            return;
        engine->setTranslation(translationOn);
        engine->setWriteMode(writeMode);
        engine->setLanguage(code);
        engine->setLanguageText(description);
        showSettings(*engine);
    }

private:
    QLabel* value(QGridLayout* grid, const QString& name, const QString& caption) {
        auto* text = new QLabel(this);
        platform::setComponentName(text, name);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        gallery::addRow(grid, caption, text);
        return text;
    }

    template <typename Handler>
    QPushButton* button(QWidget* parent, const QString& name, const QString& caption,
                        Handler handler) {
        auto* made = new QPushButton(caption, parent);
        platform::setComponentName(made, name);
        connect(made, &QPushButton::clicked, this, platform::guarded(handler));
        return made;
    }

    void showSettings(const TQorPrevod& engine) {
        language_->setText(engine.Language() + QStringLiteral(" (") + engine.LanguageText() +
                           QLatin1Char(')'));
        translation_->setText(yesNo(engine.Translation()));
        writeMode_->setText(yesNo(engine.WriteMode()));
        autoCreate_->setText(yesNo(engine.AutoCreateTranslations()));
        cache_->setText(engine.LocalFilePath());
    }

    QLabel* language_ = nullptr;
    QLabel* translation_ = nullptr;
    QLabel* writeMode_ = nullptr;
    QLabel* autoCreate_ = nullptr;
    QLabel* cache_ = nullptr;
};

QWidget* buildTranslationsPage(gallery::GalleryContext&) {
    return new TranslationsPage;
}

TranslationsPage* translationsPage(gallery::GalleryContext& context) {
    context.window.showPage(QStringLiteral("Translations"));
    return static_cast<TranslationsPage*>(shownPagePointer().data());
}

const bool registered =
    gallery::registerPage({QStringLiteral("Translations"), 60, &buildTranslationsPage}) &&
    gallery::registerAction({QStringLiteral("translation-list"),
                             [](gallery::GalleryContext& context) {
                                 translationsPage(context);
                                 TranslationsPage::openFormList(true);
                             }}) &&
    gallery::registerAction({QStringLiteral("translation-text"),
                             [](gallery::GalleryContext& context) {
                                 translationsPage(context);
                                 TranslationsPage::openSingleText();
                             }}) &&
    gallery::registerAction(
        {QStringLiteral("translation-language"), [](gallery::GalleryContext& context) {
             if (TranslationsPage* page = translationsPage(context))
                 page->openLanguagePage();
         }});

} // namespace
