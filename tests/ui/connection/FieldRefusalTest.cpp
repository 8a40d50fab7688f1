// A field check's refusal as the windows show it: a tip on the field, and the focus there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdint>

#include "present/IntegerField.h"
#include "ui/FieldTip.h"

namespace {

constexpr const char* kFormat = "Invalid format";
constexpr const char* kValue = "Invalid value";

class FieldRefusalTest : public testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&m_window);
        m_field = new QLineEdit(&m_window);
        m_field->setObjectName(QStringLiteral("addressEdit"));
        m_other = new QLineEdit(&m_window);
        layout->addWidget(m_field);
        layout->addWidget(m_other);
        m_window.show();
        QApplication::setActiveWindow(&m_window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    // Checks `text` with a fresh focus elsewhere and no tip up, as an operator's second try would be.
    // As the windows do: a refusal is shown on the field.
    bool Check(const QString& text, std::int32_t& value) {
        if (CFieldTip* tip = CFieldTip::Showing(*m_field)) {
            tip->hide();
        }
        m_other->setFocus();
        m_field->setText(text);
        const IntegerCheck check = CheckInteger(m_field->text().toStdString(), 1, 247);
        value = check.value;
        if (check.refusal) {
            ShowRefusal(*m_field, *check.refusal);
        }
        return !check.refusal;
    }

    QWidget m_window;
    QLineEdit* m_field = nullptr;
    QLineEdit* m_other = nullptr;
};

// Which texts are refused and why is CheckInteger's (tests/unit/present/IntegerFieldTest.cpp); here, what
// the field shows of it.
TEST_F(FieldRefusalTest, RefusalShowsItsTipOnTheFieldAndTakesTheFocus) {
    const struct {
        const char* text;
        bool accepted;
        std::int32_t value;
        const char* title;
    } rows[] = {
        {"16", true, 16, nullptr},
        {"248", false, 248, kValue},
        {" 16", false, 16, kFormat},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "text \"" << row.text << "\"");
        std::int32_t value = 12345;
        EXPECT_EQ(Check(QString::fromUtf8(row.text), value), row.accepted);
        EXPECT_EQ(value, row.value);
        EXPECT_EQ(m_field->text(), QString::fromUtf8(row.text)) << "the check changed the text";
        const CFieldTip* tip = CFieldTip::Showing(*m_field);
        if (row.accepted) {
            EXPECT_EQ(tip, nullptr) << "a tip for an accepted value";
            EXPECT_TRUE(m_other->hasFocus()) << "the focus moved on success";
            continue;
        }
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(tip->Title(), QString::fromUtf8(row.title));
        EXPECT_EQ(tip->Text(), QStringLiteral("Enter an integer value between 1 and 247."));
        EXPECT_TRUE(m_field->hasFocus()) << "the focus did not move to the field";
    }
}

TEST_F(FieldRefusalTest, TipGoesAwayWhenTheOperatorTypes) {
    std::int32_t value = 0;
    ASSERT_FALSE(Check(QStringLiteral("0"), value));
    ASSERT_NE(CFieldTip::Showing(*m_field), nullptr);
    QTest::keyClick(m_field, Qt::Key_5);
    EXPECT_EQ(CFieldTip::Showing(*m_field), nullptr);
    EXPECT_EQ(m_field->text(), QStringLiteral("05"));
}

}  // namespace
