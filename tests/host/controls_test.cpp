// The small controls: flat toolbar button, search button, date edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>

#include "dataset/data_source.h"
#include "dataset/dataset_test_util.h"
#include "host/automation/synthetic_input.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/date_edit_plus.h"

using namespace confcred;
using namespace confcred::host;
using namespace confcred::host::widgets;
using namespace confcred::host::automation;
using platform::DateTime;

namespace {

TEST(ButtonFlat, IsA21By21FlatButtonWithGlyphAndHint) {
    QWidget panel;
    widgets::TButtonFlat button("btnEfetivaCredito", "Efetivar Crédito",
                                widgets::glyphIcon(widgets::Glyph::Confirm), &panel);
    button.place(181, 4);
    EXPECT_EQ(button.objectName(), "btnEfetivaCredito");
    EXPECT_EQ(button.size(), QSize(21, 21));
    EXPECT_EQ(button.geometry().topLeft(), QPoint(181, 4));
    EXPECT_EQ(button.hint(), "Efetivar Crédito");
    EXPECT_EQ(button.toolTip(), "Efetivar Crédito");
    EXPECT_TRUE(button.autoRaise());
    EXPECT_FALSE(button.icon().isNull());
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    panel.show();
    automation::sendClick(&button, button.rect().center());
    EXPECT_EQ(clicks, 1);
}

TEST(BtnPesquisa, CarriesItsSearchSettingsAndSitsBesideItsControl) {
    QWidget box;
    QRadioButton lista("Lista", &box);
    lista.setGeometry(10, 20, 60, 20);
    widgets::TBtnPesquisa button(&box);
    EXPECT_EQ(button.hint(), "Pesquisar");
    button.setAssociate(&lista);
    button.placeBesideAssociate();
    EXPECT_EQ(button.geometry().left(), 72);
    EXPECT_EQ(button.geometry().top(), 20);

    dataset::RecordSet set("cdsConsumidor");
    dataset::DataSource source(&set);
    button.setDataSource(&source);
    button.setEmptyError("Não há consumidor cadastrado.");
    button.setDataSetClosed(true);
    button.setTitle("Consumidor");
    EXPECT_EQ(button.Associate(), &lista);
    EXPECT_EQ(button.DataSource(), &source);
    EXPECT_EQ(button.EmptyError(), "Não há consumidor cadastrado.");
    EXPECT_TRUE(button.DataSetClosed());
    EXPECT_EQ(button.title(), "Consumidor");
    EXPECT_FALSE(button.hasRecords());  // closed
    set.loadPacket(
        dataset::testing::makePacket({{"CHAVE", dataset::FieldType::String, 42}}, {{"001001"}}));
    EXPECT_TRUE(button.hasRecords());
}

class DateEditTest : public ::testing::Test {
  protected:
    widgets::TDateEditPlus edit;
};

TEST_F(DateEditTest, GivesTheDateAloneUnlessSaveTimeIsOn) {
    const DateTime value = DateTime::fromParts(2026, 12, 7, 14, 30, 5);
    edit.setDate(value);
    EXPECT_EQ(edit.text(), "07/12/2026");
    EXPECT_FALSE(edit.SaveTime());
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 12, 7));
    edit.setSaveTime(true);
    EXPECT_EQ(edit.date(), value);
    // The operator's new date keeps the time of day.
    edit.QDateEdit::setDate(QDate(2026, 12, 31));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 12, 31, 14, 30, 5));
    EXPECT_TRUE(edit.calendarPopup());
}

// Typed by the operator: a click on the day and digits edit it; a day the
// month lacks stays on screen in red, refused, and is never turned into
// another day, also once the field is left.
TEST_F(DateEditTest, ADayTheMonthLacksIsRefusedAsTyped) {
    edit.setDate(DateTime::fromParts(2026, 11, 30));
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QApplication::processEvents();
    QLineEdit* line = edit.findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    automation::sendClick(
        line, QPoint(line->fontMetrics().horizontalAdvance("0") + 3, line->height() / 2));
    for (const char c : {'1', '5'})
        automation::sendKey(&edit, Qt::Key_0 + (c - '0'), Qt::NoModifier, QString(QLatin1Char(c)));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 11, 15));

    edit.setSelectedSection(QDateTimeEdit::DaySection);
    for (const char c : {'3', '1'})
        automation::sendKey(&edit, Qt::Key_0 + (c - '0'), Qt::NoModifier, QString(QLatin1Char(c)));
    EXPECT_EQ(edit.text(), "31/11/2026");
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 11, 15));
    EXPECT_EQ(edit.textColor(), QColor(Qt::red));
    EXPECT_EQ(edit.toolTip(), "Data inválida");

    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&edit, &out);
    EXPECT_EQ(edit.text(), "31/11/2026");
    EXPECT_EQ(edit.textColor(), QColor(Qt::red));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 11, 15));
}

TEST_F(DateEditTest, ColoursTheTextByValidityAndNamesTheWeekday) {
    edit.setValidColor(Qt::blue);
    edit.setDate(DateTime::fromParts(2026, 12, 7));
    EXPECT_TRUE(edit.textIsValidDate());
    EXPECT_EQ(edit.textColor(), QColor(Qt::blue));
    EXPECT_EQ(edit.toolTip(), "Segunda, 07/12/2026");

    edit.setEditText("");  // cleared by the operator
    EXPECT_FALSE(edit.textIsValidDate());
    EXPECT_EQ(edit.textColor(), QColor(Qt::red));
    edit.setEditText("28/02/2026");
    EXPECT_EQ(edit.textColor(), QColor(Qt::blue));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 2, 28));
    // An impossible day is never held: the date stays the last real one.
    edit.setEditText("31/02/2026");
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 2, 28));

    EXPECT_EQ(edit.weekdayName(DateTime::fromParts(2026, 12, 6)), "Domingo");
    EXPECT_EQ(edit.weekdayName(DateTime::fromParts(2026, 12, 12)), "Sábado");
    edit.setWeekdayNames({"D", "S", "T", "Q", "Q", "S", "S"});
    EXPECT_EQ(edit.weekdayName(DateTime::fromParts(2026, 12, 8)), "T");
    edit.setWeekdayNames({"too", "few"});  // refused: the names stay
    EXPECT_EQ(edit.weekdayNames().size(), 7);
}

}  // namespace
