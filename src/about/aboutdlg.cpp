#include "about/aboutdlg.h"

#include "about/AboutWidgets.h"
#include "about/InfoAdd.h"
#include "about/Stamps.h"
#include "about/SysComp.h"
#include "about/core/AboutText.h"
#include "about/core/XVersion.h"
#include "platform/AppTitle.h"
#include "platform/UserInteraction.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const kSystemPage = "System";

QFont ArialFont(int pixelHeight)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    return font;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, int x, int y)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->move(x, y);
    TAboutBox::SetCaption(label, text);
    return label;
}

// A fixed box: centred, word-wrapped text that does not resize the label.
void MakeBoxed(QLabel *label, const QRect &place, Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignTop)
{
    label->setGeometry(place);
    label->setWordWrap(true);
    label->setAlignment(alignment);
}

void MakeLink(TClickLabel *label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
}

// A web address, a "mailto:" address or a folder, opened by the desktop.
void ShellOpen(const QString &target)
{
    dialogs::User().OpenUrl(abouttext::ShellUrl(target));
}

} // namespace

TGauge::TGauge(QWidget *parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
}

void TGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect frame = rect();
    painter.fillRect(frame, Qt::white);
    const QRect inner = frame.adjusted(1, 1, -1, -1);
    const int span = maximum() - minimum();
    const int filled = span > 0 ? inner.width() * (value() - minimum()) / span : 0;
    const QRect bar(inner.left(), inner.top(), filled, inner.height());
    painter.fillRect(bar, Qt::blue);
    const QString text = QString::number(span > 0 ? 100 * (value() - minimum()) / span : 0) + QLatin1Char('%');
    painter.setFont(font());
    painter.save();
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.restore();
    painter.setClipRegion(QRegion(inner).subtracted(QRegion(bar)));
    painter.setPen(Qt::black);
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.setClipping(false);
    painter.setPen(Qt::gray);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

TAboutBox::TAboutBox(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Infos"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(339, 274);
    setFont(ArialFont(13));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);

    Panel = new TBevelPanel(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setGeometry(8, 8, 321, 225);

    ProductName = new QLabel(QStringLiteral("Produktname"), Panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    MakeBoxed(ProductName, QRect(152, 8, 161, 65), Qt::AlignHCenter | Qt::AlignTop);
    QFont productFont(QStringLiteral("Times New Roman"));
    productFont.setPixelSize(27);
    productFont.setBold(true);
    productFont.setItalic(true);
    ProductName->setFont(productFont);

    Version = MakeLabel(Panel, "Version", QStringLiteral("Version"), 160, 80);

    TimeStamp = new TTimeStamp(Panel);
    TimeStamp->setObjectName(QStringLiteral("TimeStamp"));
    TimeStamp->setGeometry(192, 98, 91, 12);
    TimeStamp->setFont(ArialFont(9));
    TimeStamp->setAutoFillBackground(false);
    TimeStamp->hide();
    TimeStamp->SetDisplay(dtString);

    Copyright = new QLabel(Panel);
    Copyright->setObjectName(QStringLiteral("Copyright"));
    MakeBoxed(Copyright, QRect(160, 112, 152, 33));
    Copyright->setFont(ArialFont(11));

    CommentLabel = new QLabel(QStringLiteral("Kommentar"), Panel);
    CommentLabel->setObjectName(QStringLiteral("CommentLabel"));
    MakeBoxed(CommentLabel, QRect(160, 144, 152, 33));
    CommentLabel->setFont(ArialFont(11));

    Label7 = MakeLabel(Panel, "Label7", QStringLiteral("URL : "), 8, 176);
    LinkLabel = new TClickLabel(QString(), Panel);
    LinkLabel->setObjectName(QStringLiteral("LinkLabel"));
    LinkLabel->move(48, 176);
    MakeLink(LinkLabel);
    LinkLabel->SetShowHint(true);
    SetCaption(LinkLabel, QStringLiteral("www.example.org"));
    connect(LinkLabel, &TClickLabel::Clicked, this, [this] { LinkLabelClick(LinkLabel); });

    Label8 = MakeLabel(Panel, "Label8", QStringLiteral("Mail : "), 8, 200);
    MailLabel = new TClickLabel(QString(), Panel);
    MailLabel->setObjectName(QStringLiteral("MailLabel"));
    MailLabel->move(48, 200);
    MakeLink(MailLabel);
    SetCaption(MailLabel, QStringLiteral("info@example.org"));
    connect(MailLabel, &TClickLabel::Clicked, this, &TAboutBox::MailLabelClick);

    Notebook = new QStackedWidget(Panel);
    Notebook->setObjectName(QStringLiteral("Notebook"));
    Notebook->setGeometry(8, 8, 137, 137);
    auto *iconPage = new QWidget;
    iconPage->setObjectName(QStringLiteral("Icon"));
    Notebook->addWidget(iconPage);
    ProgramIcon = new QLabel(iconPage);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(0, 0, 137, 137);
    auto *systemPage = new QWidget;
    systemPage->setObjectName(QLatin1String(kSystemPage));
    Notebook->addWidget(systemPage);
    BuildSystemPage(systemPage);

    Scroller = new TArrowPair(Panel);
    Scroller->setObjectName(QStringLiteral("Scroller"));
    Scroller->setGeometry(64, 152, 23, 13);
    connect(Scroller, &TArrowPair::Click, this, &TAboutBox::ScrollerClick);

    OKButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(136, 240, 77, 27);
    QFont buttonFont(QStringLiteral("MS Sans Serif"));
    buttonFont.setPixelSize(11);
    buttonFont.setBold(true);
    OKButton->setFont(buttonFont);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    SystemCheck = new TSystem(this);
    SystemCheck->setObjectName(QStringLiteral("SystemCheck"));
    SystemCheck->SetHide(false);

    AboutTimer = new QTimer(this);
    AboutTimer->setObjectName(QStringLiteral("AboutTimer"));
    AboutTimer->setInterval(100);
    connect(AboutTimer, &QTimer::timeout, this, &TAboutBox::AboutTimerTimer);
    AboutTimer->start();

    // Titles, version values and the settings file's name are shown as
    // they are, never read as markup.
    for (QLabel *label : findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    FormCreate();

    // The form sees keys before the control that has the focus.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    OKButton->setFocus();
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::BuildSystemPage(QWidget *page)
{
    Label1 = MakeLabel(page, "Label1", QStringLiteral("Systeminformationen"), 6, 3);
    Label6 = MakeLabel(page, "Label6", QString(), 7, 24);
    Label6->setFont(ArialFont(11));
    SetCaption(Label6, QStringLiteral("Gefüllt:"));
    LoadMemGauge = new TGauge(page);
    LoadMemGauge->setObjectName(QStringLiteral("LoadMemGauge"));
    LoadMemGauge->setGeometry(48, 26, 81, 12);
    LoadMemGauge->setFont(ArialFont(11));
    // Qt names a bar by its own name only; the buddy links the caption to it.
    Label6->setBuddy(LoadMemGauge);
    LoadMemGauge->setAccessibleName(QStringLiteral("Speicher gefüllt"));
    FreeLabel = MakeLabel(page, "FreeLabel", QString(), 9, 40);
    FreeLabel->setFont(ArialFont(11));
    SetCaption(FreeLabel, QStringLiteral("Frei: "));
    FreeMemLabel = MakeLabel(page, "FreeMemLabel", QString(), 47, 40);
    FreeMemLabel->setFont(ArialFont(11));
    SetCaption(FreeMemLabel, QStringLiteral("234"));
    MhzLbLabel = MakeLabel(page, "MhzLbLabel", QString(), 10, 56);
    MhzLbLabel->setFont(ArialFont(11));
    SetCaption(MhzLbLabel, QStringLiteral("Mhz:"));
    MhzLabel = MakeLabel(page, "MhzLabel", QString(), 51, 56);
    MhzLabel->setFont(ArialFont(11));
    SetCaption(MhzLabel, QStringLiteral("0"));
    Label2 = MakeLabel(page, "Label2", QStringLiteral("Konfiguration"), 8, 80);
    IniLabel = new TClickLabel(QString(), page);
    IniLabel->setObjectName(QStringLiteral("IniLabel"));
    IniLabel->move(8, 104);
    IniLabel->setFont(ArialFont(13));
    connect(IniLabel, &TClickLabel::DoubleClicked, this, &TAboutBox::IniLabelDblClick);
}

void TAboutBox::FormCreate()
{
    ProductName->setText(apptitle::Title());

    // The application icon on the form's colour, filling the icon page.
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/icons/quillon.svg"));
    QPixmap picture(ProgramIcon->size() * devicePixelRatioF());
    picture.setDevicePixelRatio(devicePixelRatioF());
    picture.fill(palette().color(QPalette::Window));
    {
        QPainter painter(&picture);
        icon.paint(&painter, QRect(QPoint(0, 0), ProgramIcon->size()));
    }
    ProgramIcon->setPixmap(picture);

    SetCaption(Version, Version->text() + QLatin1Char(' ') + xversion::OwnProductVersion() + QStringLiteral(" (6)")
                            + QStringLiteral(" 32-Bit"));
    LinkLabel->setCursor(Qt::PointingHandCursor);
    MailLabel->setCursor(Qt::PointingHandCursor);
    Copyright->setText(xversion::OwnVersionValue(QString(), QStringLiteral("LegalCopyright")));
    CommentLabel->setText(xversion::OwnVersionValue(QString(), QStringLiteral("Comments")));
}

void TAboutBox::ShowIniFile(const QString &fileName)
{
    SetCaption(IniLabel, QFileInfo(fileName).fileName());
    IniLabel->SetHint(fileName);
    IniLabel->SetShowHint(true);
}

void TAboutBox::SetCaption(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

void TAboutBox::AddInfoPages(const QStringList &paragraphs)
{
    for (const QString &paragraph : paragraphs)
        AddTextPage(paragraph);
}

TClickLabel *TAboutBox::AddTextPage(const QString &text)
{
    auto *label = new TClickLabel;
    QWidget *page = AddNotebookPage();
    if (!page) {
        delete label;
        return nullptr;
    }
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    // The paragraphs break their lines with a lone carriage return, which a
    // label would not break at.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    label->setText(shown);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->installEventFilter(this);
    if (text.contains(TInfoAdds::HomepageHost())) {
        label->SetHint(abouttext::HomepageAddress(TInfoAdds::HomepageHost()));
        connect(label, &TClickLabel::Clicked, this, [this, label] { LinkLabelClick(label); });
        label->setCursor(Qt::PointingHandCursor);
    }
    return label;
}

QWidget *TAboutBox::AddNotebookPage()
{
    const QString name = QString::number(Notebook->count());
    auto *page = new QWidget;
    page->setObjectName(name);
    Notebook->addWidget(page);
    for (int i = 0; i < Notebook->count(); ++i)
        if (Notebook->widget(i)->objectName() == name)
            return Notebook->widget(i);
    return nullptr;
}

QString TAboutBox::ActivePageName() const
{
    const QWidget *page = Notebook->currentWidget();
    return page ? page->objectName() : QString();
}

void TAboutBox::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        if (const QScreen *screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
        FormShow();
    }
    QDialog::showEvent(event);
}

void TAboutBox::FormShow()
{
    Scroller->SetMax(Notebook->count() - 1);
    if (Notebook->count() == 1)
        Scroller->hide();
    else
        Notebook->setCurrentIndex(0);
    LinkLabel->SetHint(abouttext::LinkHint(LinkLabel->text()));
}

void TAboutBox::ScrollerClick()
{
    Notebook->setCurrentIndex(Scroller->Position());
}

bool TAboutBox::FormKeyDown(int key)
{
    if (key == Qt::Key_PageDown)
        Scroller->SetPosition(Scroller->Position() + 1);
    else if (key == Qt::Key_PageUp)
        Scroller->SetPosition(Scroller->Position() - 1);
    else
        return false;
    return true;
}

bool TAboutBox::FormKeyPress(QChar key)
{
    if (key != QLatin1Char('i') && key != QLatin1Char('I'))
        return false;
    TimeStamp->setVisible(TimeStamp->isHidden());
    return true;
}

bool TAboutBox::PreviewKey(QKeyEvent *event)
{
    if (FormKeyDown(event->key()))
        return true;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    return event->text().size() == 1 && FormKeyPress(event->text().at(0));
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    // Handled keys stop here: passed on, they would reach the form a second
    // time when the control does not want them.
    if (event->type() == QEvent::KeyPress && watched != this)
        return PreviewKey(static_cast<QKeyEvent *>(event));
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::keyPressEvent(QKeyEvent *event)
{
    if (PreviewKey(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::AboutTimerTimer()
{
    if (ActivePageName() != QLatin1String(kSystemPage))
        return;
    SetCaption(FreeMemLabel,
               abouttext::FreeMemoryText(SystemCheck->AvailPhysBytes(), SystemCheck->AvailPageFileBytes()));
    LoadMemGauge->setValue(SystemCheck->MemoryLoad());
    UpdateMhz(SystemCheck->Mhz());
}

void TAboutBox::UpdateMhz(double mhz)
{
    SetCaption(MhzLabel, abouttext::MhzText(mhz, QLocale::system().decimalPoint().at(0)));
    MhzLbLabel->setVisible(mhz > 0);
}

void TAboutBox::LinkLabelClick(const TClickLabel *sender)
{
    ShellOpen(sender->Hint());
}

void TAboutBox::MailLabelClick()
{
    ShellOpen(abouttext::MailTarget(MailLabel->text(), apptitle::Title(), xversion::OwnProductVersion()));
}

void TAboutBox::IniLabelDblClick()
{
    if (!IniLabel->Hint().isEmpty())
        ShellOpen(abouttext::FolderOf(IniLabel->Hint()));
}

QString TAboutBox::SupportMailAddress()
{
    return QStringLiteral("quillon@example.org");
}
