// The update reminder: 29 days after the stored date nothing is shown, 30
// days after the dialog is shown (unless stopped) and the date reset.

#include <QCheckBox>
#include <QPushButton>

#include "AppTestSupport.h"
#include "shell/UpdateReminder.h"

namespace vex {
namespace {

using UpdateReminderTest = test::SettingsFixture;

const QDateTime kNow(QDate(2026, 6, 15), QTime(15, 0));

void StoreDate(const QDate& d)
{
    SetSettingInt(kSectionWebsite, "check.day", uint32_t(d.day()));
    SetSettingInt(kSectionWebsite, "check.month", uint32_t(d.month()));
    SetSettingInt(kSectionWebsite, "check.year", uint32_t(d.year()));
}

QDate StoredDate()
{
    uint32_t d = 0, m = 0, y = 0;
    GetSettingInt(kSectionWebsite, "check.day", d);
    GetSettingInt(kSectionWebsite, "check.month", m);
    GetSettingInt(kSectionWebsite, "check.year", y);
    return QDate(int(y), int(m), int(d));
}

TEST_F(UpdateReminderTest, MissingDateBecomesToday)
{
    int shown = 0;
    EXPECT_FALSE(RunUpdateReminder(kNow, [&] { ++shown; }));
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(StoredDate(), kNow.date());
}

TEST_F(UpdateReminderTest, TwentyNineDaysShowNothingThirtyShowTheDialog)
{
    struct Case {
        int daysAgo;
        uint32_t reminder;
        bool due;
        int shown;
    };
    const Case cases[] = {
        {29, 0, false, 0},
        {30, 0, true, 1},
        {31, 0, true, 1},
        {30, 1, true, 0}, // "Stop reminding me" was chosen
    };
    for (const Case& c : cases) {
        const QDate stored = kNow.date().addDays(-c.daysAgo);
        StoreDate(stored);
        SetSettingInt(kSectionWebsite, "reminder", c.reminder);
        int shown = 0;
        EXPECT_EQ(RunUpdateReminder(kNow, [&] { ++shown; }), c.due) << "have " << c.daysAgo << " days";
        EXPECT_EQ(shown, c.shown) << "have " << c.daysAgo << " days";
        EXPECT_EQ(StoredDate(), c.due ? kNow.date() : stored) << "have " << c.daysAgo << " days";
    }
}

TEST_F(UpdateReminderTest, WholeDaysCountFromNoon)
{
    // 30 calendar days, but before noon only 29 whole days have passed.
    StoreDate(kNow.date().addDays(-30));
    int shown = 0;
    EXPECT_FALSE(RunUpdateReminder(QDateTime(kNow.date(), QTime(11, 59)), [&] { ++shown; }));
    EXPECT_EQ(shown, 0);
}

TEST_F(UpdateReminderTest, DialogTextsAndTheStopBox)
{
    CUpdateDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Check For Updates."));
    QStringList buttons;
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) buttons << b->text();
    EXPECT_TRUE(buttons.contains(QStringLiteral("Check Update Now...")));
    EXPECT_TRUE(buttons.contains(QStringLiteral("I'll checkLater...")));
    EXPECT_EQ(dialog.StopReminding()->text(), QStringLiteral("Stop reminding me"));

    uint32_t reminder = 7;
    dialog.StopReminding()->setChecked(true);
    dialog.reject();
    EXPECT_TRUE(GetSettingInt(kSectionWebsite, "reminder", reminder));
    EXPECT_EQ(reminder, 1u);
    dialog.StopReminding()->setChecked(false);
    dialog.accept();
    EXPECT_TRUE(GetSettingInt(kSectionWebsite, "reminder", reminder));
    EXPECT_EQ(reminder, 0u);
}

} // namespace
} // namespace vex
