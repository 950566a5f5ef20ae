#pragma once
// A filled circle whose brush colour shows a state (red or green).
#include <QColor>
#include <QWidget>

class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);
    QColor brushColor() const { return brush; }
    void setBrushColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor brush{255, 0, 0};
};
