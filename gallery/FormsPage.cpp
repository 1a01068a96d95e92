// Gallery page "Translatable forms": a translatable sample dialog, fGallerySample, opened
// by the button "Sample dialog". The demo database carries its English texts, so that with
// "QorTrans.ini" beside the program set to TRANSLATE=1 and LANGUAGE=ENG the dialog opens in
// English; with WRITE.TRANS=1 as well, Ctrl+Shift+Alt+T translates its caption.
#include "controls/Uddbtn.h"
#include "gallery/Gallery.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/StdControls.h"
#include "translation/Udialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using platform::addComponent;

// The sample dialog: a label, a button with a hint, a bitmap button, a speed button, a
// check box, a radio group of three items and a panel.
class TfGallerySample : public translation::TDialog {
public:
    explicit TfGallerySample(QWidget* parent) : TDialog(parent) {
        platform::setComponentName(this, QStringLiteral("fGallerySample"));
        setWindowTitle(QStringLiteral("Vzorčni dialog"));
        auto* layout = new QGridLayout(this);
        lOpis = addComponent(this, new QLabel(QStringLiteral("Prevedljiv vzorčni dialog"), this),
                             QStringLiteral("lOpis"));
        layout->addWidget(lOpis, 0, 0, 1, 3);
        pnlInfo = addComponent(this, new platform::TPanel(this), QStringLiteral("pnlInfo"));
        pnlInfo->setCaption(QStringLiteral("Podatki o izbiri"));
        pnlInfo->setFrameStyle(QFrame::Panel | QFrame::Raised);
        pnlInfo->setMinimumSize(220, 32);
        layout->addWidget(pnlInfo, 1, 0, 1, 3);
        rgVrsta = addComponent(this, new platform::TRadioGroup(this), QStringLiteral("rgVrsta"));
        rgVrsta->setTitle(QStringLiteral("Vrsta"));
        rgVrsta->setItems({QStringLiteral("Delnice"), QStringLiteral("Obveznice"),
                           QStringLiteral("Denarna sredstva")});
        rgVrsta->setItemIndex(0);
        layout->addWidget(rgVrsta, 2, 0, 1, 2);
        chAktivni = addComponent(this, new QCheckBox(QStringLiteral("Samo aktivni"), this),
                                 QStringLiteral("chAktivni"));
        layout->addWidget(chAktivni, 2, 2, Qt::AlignTop);
        sbIsci = addComponent(this, new QToolButton(this), QStringLiteral("sbIsci"));
        sbIsci->setText(QStringLiteral("Išči"));
        sbIsci->setToolTip(QStringLiteral("Išči po seznamu"));
        sbIsci->setAutoRaise(true);
        layout->addWidget(sbIsci, 3, 0);
        bPotrdi = addComponent(this, new QPushButton(QStringLiteral("Potrdi"), this),
                               QStringLiteral("bPotrdi"));
        bPotrdi->setToolTip(QStringLiteral("Shrani izbiro in zapri"));
        bPotrdi->setDefault(true);
        layout->addWidget(bPotrdi, 3, 1);
        bbZapri = addComponent(this, new platform::TBitBtn(QStringLiteral("Zapri"), this),
                               QStringLiteral("bbZapri"));
        bbZapri->setIcon(QIcon(controls::LoadGlyph(QStringLiteral("MSB_CLEAR"))));
        bbZapri->setToolTip(QStringLiteral("Zapri brez shranjevanja"));
        layout->addWidget(bbZapri, 3, 2);
        connect(bPotrdi, &QPushButton::clicked, this, &QDialog::accept);
        connect(bbZapri, &QPushButton::clicked, this, &QDialog::reject);
    }

private:
    QLabel* lOpis;
    platform::TPanel* pnlInfo;
    platform::TRadioGroup* rgVrsta;
    QCheckBox* chAktivni;
    QToolButton* sbIsci;
    QPushButton* bPotrdi;
    platform::TBitBtn* bbZapri;
};

// The sample dialog, made on first use and owned by the gallery window it belongs to:
// it goes with that window, and a later window makes its own.
TfGallerySample& sampleDialog(gallery::GalleryContext& context) {
    static QPointer<TfGallerySample> dialog;
    if (!dialog)
        dialog = translation::TQorColorForm::create<TfGallerySample>(&context.window).release();
    return *dialog;
}

void openSample(gallery::GalleryContext& context) {
    sampleDialog(context).exec();
}

QWidget* buildFormsPage(gallery::GalleryContext& context) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* note = new QLabel(
        QStringLiteral("A translatable dialog: with \"QorTrans.ini\" beside the program set to "
                       "TRANSLATE=1 and LANGUAGE=ENG it opens in English; with WRITE.TRANS=1 "
                       "too, Ctrl+Shift+Alt+T translates its caption."),
        page);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* open = new QPushButton(QStringLiteral("Sample dialog"), page);
    open->setObjectName(QStringLiteral("bSampleDialog"));
    QObject::connect(open, &QPushButton::clicked, page,
                     platform::guarded([&context] { openSample(context); }));
    layout->addWidget(open, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

const bool pageRegistered =
    gallery::registerPage({QStringLiteral("Translatable forms"), 60, &buildFormsPage});
// Opens the sample dialog once the gallery is shown (for the screenshots).
const bool actionRegistered = gallery::registerAction(
    {QStringLiteral("sample-dialog"), [](gallery::GalleryContext& context) {
         QTimer::singleShot(0, &context.window,
                            platform::guarded([&context] { openSample(context); }));
     }});

} // namespace
