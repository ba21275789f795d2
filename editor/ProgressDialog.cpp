#include "editor/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace vex {

CProgressDialog::CProgressDialog(CEditableImage& image, QWidget* parent) : QDialog(parent), poller_(image)
{
    setWindowTitle(QStringLiteral("Processing image"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Processing image"), this));
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    layout->addWidget(bar_);
    connect(&timer_, &QTimer::timeout, this, &CProgressDialog::OnTick);
    timer_.start(kProgressIntervalMs);
}

CProgressDialog::~CProgressDialog()
{
    timer_.stop();
    poller_.JoinAll();
}

void CProgressDialog::Post(WorkerAnnouncement announcement) { poller_.Post(std::move(announcement)); }

void CProgressDialog::JoinAll()
{
    poller_.JoinAll();
    OnTick();
}

int CProgressDialog::Percent() const { return bar_->value(); }

void CProgressDialog::reject()
{
    // The window stays until the workers have really stopped.
    poller_.Escape();
}

void CProgressDialog::OnTick()
{
    const CProgressPoller::TickResult r = poller_.Tick();
    bar_->setValue(r.percent);
    if (r.empty) {
        timer_.stop();
        done(QDialog::Accepted);
    }
}

} // namespace vex
