// A label that behaves as a link: blue, underlined, a hand cursor, and OnClick when the
// left mouse button is released over it.
#pragma once

#include <QLabel>
#include <functional>

namespace kasumido {

class LinkLabel : public QLabel {
 public:
  explicit LinkLabel(QWidget* parent);

  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace kasumido
