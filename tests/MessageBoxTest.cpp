#include "common/MessageBox.h"

#include "tests/support/QtHelpers.h"

#include <QLabel>
#include <QMessageBox>

#include <gtest/gtest.h>

TEST(MessageBox, TextThatLooksLikeMarkupIsShownAsItIs) {
    const QString text = "Unable to write to /home/<b>me</b>/a&amp;b.ini";
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    WhenModalShows([&](QWidget* modal) {
        if (const auto* label = modal->findChild<QLabel*>("qt_msgbox_label")) {
            shown = label->text();
            format = label->textFormat();
        }
        static_cast<QMessageBox*>(modal)->done(QMessageBox::Ok);
    });
    ShowMessageBox(text.toStdString());
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, text);
}
