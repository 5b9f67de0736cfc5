#include "dialogs/FiltForm.h"

#include "platform/UserInteraction.h"

#include "dialogs/core/FilterText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace {

constexpr int RowHeight = 20;

// The cell being typed in counts at once, as in the old grid: OK by mouse,
// by Enter or from code always sees the text on screen.
class TCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        // A cell's field is named after its column, as a label would name it.
        if (editor)
            editor->setAccessibleName(index.model()->headerData(index.column(), Qt::Horizontal).toString());
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            auto *self = const_cast<TCellDelegate *>(this);
            connect(line, &QLineEdit::textEdited, self, [self, line] { emit self->commitData(line); });
        }
        return editor;
    }

    // Enter and Escape belong to the dialog's buttons, as they did in the
    // old grid; the cells are written as typed, so there is nothing to
    // take back or to finish first.
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && object->isWidgetType()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
            auto *dialog = qobject_cast<QDialog *>(static_cast<QWidget *>(object)->window());
            if (dialog && plain) {
                switch (key->key()) {
                case Qt::Key_Return:
                case Qt::Key_Enter: dialog->accept(); return true;
                case Qt::Key_Escape: dialog->reject(); return true;
                default: break;
                }
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

} // namespace

TFilterSelDlg::TFilterSelDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FilterSelDlg"));
    setWindowTitle(QStringLiteral("Filter einstellen"));
    setFixedSize(393, 287);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(13);
    setFont(font);

    FilterGrid = new QTableWidget(filtertext::RowCount, 2, this);
    FilterGrid->setObjectName(QStringLiteral("FilterGrid"));
    FilterGrid->setGeometry(0, 0, 393, 241);
    FilterGrid->setAccessibleName(QStringLiteral("Filter"));
    FilterGrid->setHorizontalHeaderLabels({QStringLiteral("Filtername"), QStringLiteral("Filter")});
    QHeaderView *titles = FilterGrid->horizontalHeader();
    titles->setSectionResizeMode(QHeaderView::Fixed);
    titles->setFixedHeight(RowHeight);
    titles->setHighlightSections(false);
    titles->setSectionsClickable(false);
    FilterGrid->setColumnWidth(filtertext::DescriptionColumn, 237);
    FilterGrid->setColumnWidth(filtertext::PatternColumn, 133);
    QHeaderView *rows = FilterGrid->verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(RowHeight);
    rows->setDefaultSectionSize(RowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    FilterGrid->setShowGrid(true);
    FilterGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FilterGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FilterGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FilterGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    // CurrentChanged keeps an editor open in whichever cell is current.
    FilterGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    FilterGrid->setTabKeyNavigation(true);
    FilterGrid->setItemDelegate(new TCellDelegate(FilterGrid));
    for (int row = 0; row < filtertext::RowCount; ++row)
        for (int column = 0; column < 2; ++column)
            FilterGrid->setItem(row, column, new QTableWidgetItem);
    FilterGrid->setCurrentCell(0, filtertext::DescriptionColumn);

    OKBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(8, 248, 89, 33);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Abbruch"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(112, 248, 89, 33);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    FilterGrid->setFocus();
}

void TFilterSelDlg::SetFilterText(const QString &filter)
{
    const filtertext::TTable table = filtertext::ToTable(filter);
    for (int row = 0; row < filtertext::RowCount; ++row)
        for (int column = 0; column < 2; ++column)
            FilterGrid->item(row, column)->setText(table[row][column]);
}

QString TFilterSelDlg::GetFilterText() const
{
    filtertext::TTable table;
    for (int row = 0; row < filtertext::RowCount; ++row)
        for (int column = 0; column < 2; ++column)
            if (const QTableWidgetItem *cell = FilterGrid->item(row, column))
                table[row][column] = cell->text();
    return filtertext::FromTable(table);
}

void TFilterSelDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The current cell shows its editor from the start, ready for typing.
    const QModelIndex current = FilterGrid->currentIndex();
    if (current.isValid())
        FilterGrid->edit(current);
}

bool TFilterSelDlg::Edit(QWidget *parent, QString &filter)
{
    TFilterSelDlg dialog(parent);
    dialog.SetFilterText(filter);
    if (dialogs::User().Exec(dialog) != QDialog::Accepted)
        return false;
    filter = dialog.GetFilterText();
    return true;
}
