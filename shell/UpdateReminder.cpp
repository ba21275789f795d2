#include "shell/UpdateReminder.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeZone>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/Settings.h"

namespace vex {
namespace {

void StoreDate(const QDate& date)
{
    SetSettingInt(kSectionWebsite, "check.day", uint32_t(date.day()));
    SetSettingInt(kSectionWebsite, "check.month", uint32_t(date.month()));
    SetSettingInt(kSectionWebsite, "check.year", uint32_t(date.year()));
}

// One stored part of the date; a missing one becomes today's and is written.
int DatePart(const char* name, int today)
{
    int32_t value = today;
    if (!GetSettingInt(kSectionWebsite, name, value)) SetSettingInt(kSectionWebsite, name, uint32_t(today));
    return value;
}

} // namespace

CUpdateDialog::CUpdateDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Check For Updates."));
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    auto* now = new QPushButton(QStringLiteral("Check Update Now..."), this);
    auto* later = new QPushButton(QStringLiteral("I'll checkLater..."), this);
    later->setDefault(true);
    buttons->addWidget(now);
    buttons->addWidget(later);
    stop_ = new QCheckBox(QStringLiteral("Stop reminding me"), this);
    layout->addLayout(buttons);
    layout->addWidget(stop_);
    connect(now, &QPushButton::clicked, this, [] {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(GetWebPage(WebPage::Update))));
    });
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
}

void CUpdateDialog::done(int result)
{
    SetSettingInt(kSectionWebsite, "reminder", stop_->isChecked() ? 1u : 0u);
    QDialog::done(result);
}

void ShowUpdateDialog(QWidget* parent)
{
    CUpdateDialog dialog(parent);
    dialog.exec();
}

bool RunUpdateReminder(const QDateTime& now, const std::function<void()>& show)
{
    const QDate today = now.date();
    const int day = DatePart("check.day", today.day());
    const int month = DatePart("check.month", today.month());
    const int year = DatePart("check.year", today.year());
    // A damaged date counts as today's, so it is not asked about every start.
    QDate stored(year, month, day);
    if (!stored.isValid()) stored = today;
    const QDateTime storedNoon(stored, QTime(12, 0), now.timeZone());
    if (storedNoon.secsTo(now) / 86400 < kReminderDays) return false;
    int32_t reminder = 0;
    GetSettingInt(kSectionWebsite, "reminder", reminder);
    if (reminder == 0 && show) show();
    StoreDate(today);
    return true;
}

} // namespace vex
