#pragma once
// A label that behaves as a hyperlink: underlined, blue until visited and
// purple after, a hand cursor, and a click opens the target in the desktop's
// browser (a beep when it cannot).

#include <functional>

#include <QLabel>

namespace vex {

class CStaticLink : public QLabel {
    Q_OBJECT
public:
    CStaticLink(const QString& text, const QString& target, QWidget* parent = nullptr);

    QString Target() const { return target_; }
    bool Visited() const { return visited_; }
    // Tests replace the opener; by default the desktop's.
    void SetOpener(std::function<bool(const QString&)> open) { open_ = std::move(open); }
    // Opens the target as a click does; false when it could not be opened.
    bool Follow();

    static inline const QColor kUnvisited{0, 0, 255};
    static inline const QColor kVisited{128, 0, 128};

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Recolour();

    QString target_;
    bool visited_ = false;
    std::function<bool(const QString&)> open_;
};

} // namespace vex
