#include "print/PrintPreview.h"

#include "platform/ErrorDisplay.h"
#include "platform/UserInteraction.h"

#include <QAction>
#include <QCoreApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <exception>

namespace printpreview {

namespace {

class TPreviewDialog : public QPrintPreviewDialog
{
public:
    TPreviewDialog(QPrinter &printer, QWidget *parent, const std::function<void()> &paint,
                   const std::function<bool(QWidget *)> &print)
        : QPrintPreviewDialog(&printer, parent), m_printer(printer), m_paint(paint), m_print(print)
    {
        setObjectName(QStringLiteral("Seitenansicht"));
        setWindowTitle(QStringLiteral("Seitenansicht"));
        connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *target) { Paint(target); });
        // Qt's own button prints through a dialog of its own and without
        // copies as jobs of their own: ours goes the way the menu command goes.
        const QString printText = QCoreApplication::translate("QPrintPreviewDialog", "Print");
        for (QAction *action : findChildren<QAction *>()) {
            if (action->text() != printText)
                continue;
            action->setObjectName(QStringLiteral("SeitenansichtDrucken"));
            disconnect(action, nullptr, this, nullptr);
            connect(action, &QAction::triggered, this, [this] { Print(); });
        }
    }

    // What went wrong while the pages were drawn and is not shown yet.
    void ShowPending()
    {
        const std::exception_ptr failure = m_failure;
        m_failure = nullptr;
        if (failure)
            errordisplay::ShowFailure(failure);
    }

private:
    void Paint(QPrinter *target)
    {
        if (target != &m_printer)
            return;
        // Qt keeps the pages of the last preview until the printer is begun
        // again: begun once here, an empty text shows one empty page.
        const QPaintEngine *engine = m_printer.paintEngine();
        if (engine && engine->type() == QPaintEngine::Picture) {
            QPainter blank;
            if (blank.begin(&m_printer))
                blank.end();
        }
        try {
            m_paint();
        } catch (...) {
            ShowLater(std::current_exception());
        }
    }

    void Print()
    {
        try {
            if (m_print(this))
                accept();
        } catch (...) {
            errordisplay::ShowFailure(std::current_exception());
        }
    }

    // Not in the middle of Qt drawing the preview: after it, once.
    void ShowLater(std::exception_ptr failure)
    {
        if (m_failure)
            return;
        m_failure = failure;
        QTimer::singleShot(0, this, [this] { ShowPending(); });
    }

    QPrinter &m_printer;
    std::function<void()> m_paint;
    std::function<bool(QWidget *)> m_print;
    std::exception_ptr m_failure;
};

} // namespace

void Show(QWidget *parent, QPrinter &printer, const std::function<void()> &paint,
          const std::function<bool(QWidget *)> &print)
{
    TPreviewDialog dialog(printer, parent, paint, print);
    dialogs::User().Exec(dialog);
    dialog.ShowPending();
}

} // namespace printpreview
