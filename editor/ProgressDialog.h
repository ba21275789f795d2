#pragma once
// The modal "Processing image" window shown while worker operations run on
// frames of the editor's image. A timer polls the workers; the window closes
// by itself once none is left. Escape only asks the workers to stop.

#include <QDialog>
#include <QTimer>

#include "editing/ProgressPoller.h"

class QProgressBar;

namespace vex {

class CProgressDialog : public QDialog {
    Q_OBJECT
public:
    CProgressDialog(CEditableImage& image, QWidget* parent);
    ~CProgressDialog() override;

    // Hands a started worker to the poller.
    void Post(WorkerAnnouncement announcement);
    // Stops and joins every worker (the image is about to be replaced).
    void JoinAll();
    int Percent() const;

public slots:
    void reject() override;

private:
    void OnTick();

    CProgressPoller poller_;
    QTimer timer_;
    QProgressBar* bar_;
};

} // namespace vex
