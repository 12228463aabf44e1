#include "runtime/ui/qt/qt_backend.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "runtime/msgbox.h"
#include "runtime/thread.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/icons.h"
#include "runtime/window.h"

namespace vx::ui::qt {
namespace {

QString latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string bytes(const QString& s) {
  QByteArray b = s.toLatin1();  // characters outside Latin-1 become '?'
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// A label shows "&x" as x (it has no control to hand the mnemonic to); "&&" is "&".
QString plain(const std::string& s) {
  QString out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += QChar(static_cast<unsigned char>(s[i]));
  }
  return out;
}

Qt::Alignment alignment(Align a) {
  switch (a) {
    case Align::kRight:
    case Align::kDecimal:
      return Qt::AlignRight | Qt::AlignVCenter;
    case Align::kCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

void send(std::uint64_t window, UserAction::Kind kind, std::int32_t control = 0,
          const std::string& text = "", std::int32_t row = 0) {
  send_user_action(window, UserAction{kind, control, text, row});
}

// Closing a window from its title bar asks the window's thread; the thread closes it.
template <class Base>
class ClosedByItsThread : public Base {
 public:
  explicit ClosedByItsThread(std::uint64_t id) : id_(id) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    send(id_, UserAction::kClose);
  }

 private:
  std::uint64_t id_;
};

using FrameWindow = ClosedByItsThread<QMainWindow>;
using ChildWindow = ClosedByItsThread<QMdiSubWindow>;
using TopWindow = ClosedByItsThread<QWidget>;

struct View {
  std::uint64_t id = 0;
  bool frame = false;
  FrameWindow* main = nullptr;  // the frame
  QMdiArea* mdi = nullptr;
  QWidget* outer = nullptr;    // the MDI child or top-level window (or the frame)
  QWidget* content = nullptr;  // where the controls are
  std::map<std::int32_t, QWidget*> widgets;
  std::map<std::int32_t, QAction*> actions;
  double du_x = 1.5, du_y = 1.6;
  bool updating = false;  // set while the model is applied: no actions go back
  int boxes = 0;          // message boxes up for this window's thread
  WindowState shown;
};

class Bridge {
 public:
  View* frame() {
    for (auto& [id, v] : views_)
      if (v->frame) return v.get();
    return nullptr;
  }
  View* view(std::uint64_t id) {
    auto it = views_.find(id);
    return it == views_.end() ? nullptr : it->second.get();
  }
  View* view_of_thread(std::int32_t thread) {
    View* found = nullptr;
    for (auto& [id, v] : views_)
      if (v->shown.thread == thread) found = v.get();
    return found;
  }

  void open(const std::shared_ptr<WindowModel>& model) {
    WindowState s = model->snapshot();
    if (!s.open || views_.count(s.id)) return;
    auto v = std::make_unique<View>();
    v->id = s.id;
    v->frame = s.frame;
    QFont font(latin1(s.font), s.font_size > 0 ? s.font_size : 8);
    QFontMetrics fm(font);
    // Dialog units: a quarter of the average character width, an eighth of the height.
    double average = fm.horizontalAdvance(
                         QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                     52.0;
    v->du_x = average / 4.0;
    v->du_y = fm.height() / 8.0;
    if (s.frame) {
      build_frame(v.get(), s);
    } else {
      build_child(v.get(), s, font);
    }
    View* raw = v.get();
    views_[s.id] = std::move(v);
    apply(raw, s);
    raw->outer->show();
    if (!raw->frame && raw->mdi != nullptr) {
      raw->mdi->setActiveSubWindow(static_cast<QMdiSubWindow*>(raw->outer));
    }
  }

  void update(const std::shared_ptr<WindowModel>& model) {
    View* v = view(model->id());
    if (v == nullptr) return;
    WindowState s = model->snapshot();
    if (!s.open) return;
    apply(v, s);
  }

  void close(std::uint64_t id) {
    auto it = views_.find(id);
    if (it == views_.end()) return;
    std::unique_ptr<View> v = std::move(it->second);
    views_.erase(it);
    if (v->frame) {
      // Children of a frame that goes first become top-level windows of nobody: they
      // go with it, their threads are told by the runtime as the program ends.
      for (auto& [cid, c] : views_) {
        if (c->mdi == v->mdi) {
          c->mdi = nullptr;
          c->outer = nullptr;
          c->content = nullptr;
          c->widgets.clear();
        }
      }
    }
    if (v->mdi != nullptr && !v->frame && v->outer != nullptr) {
      v->mdi->removeSubWindow(v->outer);
    }
    if (v->outer != nullptr) delete v->outer;
  }

  void clear() {
    // Children first, the frame last.
    std::vector<std::uint64_t> ids;
    for (auto& [id, v] : views_)
      if (!v->frame) ids.push_back(id);
    for (auto id : ids) close(id);
    ids.clear();
    for (auto& [id, v] : views_) ids.push_back(id);
    for (auto id : ids) close(id);
  }

  void standard_action(std::uint64_t id, int action);
  std::uint32_t show_box(std::int32_t thread, const MessageBoxSpec& box,
                         std::function<void(std::uint32_t)> done);

 private:
  void build_frame(View* v, const WindowState& s);
  void build_child(View* v, const WindowState& s, const QFont& font);
  void apply(View* v, const WindowState& s);
  QWidget* make_control(View* v, const WindowState& s, const ControlState& c);
  void place(View* v, QWidget* w, const ControlState& c);
  void show_help(int action);

  std::map<std::uint64_t, std::unique_ptr<View>> views_;
  QDialog* help_ = nullptr;
};

Bridge* g_bridge = nullptr;  // GUI thread only

void Bridge::build_frame(View* v, const WindowState& s) {
  v->main = new FrameWindow(s.id);
  v->outer = v->main;
  v->mdi = new QMdiArea(v->main);
  v->mdi->setBackground(QBrush(QColor(128, 128, 128)));
  v->main->setCentralWidget(v->mdi);
  v->content = v->mdi;
  v->main->statusBar()->show();
  std::uint64_t id = s.id;
  // Menus of the menu bar (parent 0), their items in order.
  std::map<std::int32_t, QMenu*> menus;
  for (const auto& c : s.controls) {
    if (c.kind == ControlKind::kMenu) {
      QMenu* parent_menu = c.parent != 0 && menus.count(c.parent) ? menus[c.parent] : nullptr;
      QMenu* m = parent_menu != nullptr ? parent_menu->addMenu(latin1(c.text))
                                        : v->main->menuBar()->addMenu(latin1(c.text));
      m->menuAction()->setStatusTip(latin1(c.message));
      menus[c.number] = m;
      v->actions[c.number] = m->menuAction();
    } else if (c.kind == ControlKind::kItem && menus.count(c.parent)) {
      QAction* a = menus[c.parent]->addAction(latin1(c.text));
      a->setStatusTip(latin1(c.message));
      std::int32_t n = c.number;
      QObject::connect(a, &QAction::triggered, [id, n] { send(id, UserAction::kPress, n); });
      v->actions[c.number] = a;
    } else if (c.kind == ControlKind::kSeparator && menus.count(c.parent)) {
      menus[c.parent]->addSeparator();
    }
  }
  QToolBar* bar = nullptr;
  for (const auto& c : s.controls) {
    if (c.kind != ControlKind::kToolButton) continue;
    if (bar == nullptr) {
      bar = v->main->addToolBar(QStringLiteral("Toolbar"));
      bar->setObjectName(QStringLiteral("toolbar"));
      bar->setIconSize(QSize(32, 32));
      bar->setMovable(false);
    }
    QIcon icon;
    if (const char* const* xpm = find_icon(c.icon)) icon = QIcon(QPixmap(xpm));
    QAction* a = bar->addAction(icon, latin1(c.hint));
    a->setToolTip(latin1(c.hint));
    a->setStatusTip(latin1(c.hint));
    std::int32_t n = c.number;
    QObject::connect(a, &QAction::triggered, [id, n] { send(id, UserAction::kPress, n); });
    v->actions[c.number] = a;
  }
  QObject::connect(v->mdi, &QMdiArea::subWindowActivated, [this](QMdiSubWindow* sub) {
    // Activation of nothing (the application lost the focus) keeps the active child.
    if (sub == nullptr) return;
    for (auto& [cid, c] : views_) {
      if (c->outer == sub) set_active_window(cid);
    }
  });
  int w = s.width > 0 ? static_cast<int>(s.width * v->du_x) : 900;
  int h = s.height > 0 ? static_cast<int>(s.height * v->du_y) : 620;
  v->main->resize(w, h);
}

void Bridge::build_child(View* v, const WindowState& s, const QFont& font) {
  v->content = new QWidget();
  v->content->setFont(font);
  // Size: as defined, or what the controls need.
  int width = s.width, height = s.height;
  if (width <= 0 || height <= 0) {
    int right = 100, bottom = 40;
    for (const auto& c : s.controls) {
      right = std::max(right, std::max(c.x, 0) + std::max(c.width, 60));
      bottom = std::max(bottom, std::max(c.y, 0) + std::max(c.height, 14));
    }
    if (width <= 0) width = right + 8;
    if (height <= 0) height = bottom + 8;
  }
  v->content->setFixedSize(static_cast<int>(width * v->du_x), static_cast<int>(height * v->du_y));
  for (const auto& c : s.controls) {
    if (QWidget* w = make_control(v, s, c)) {
      v->widgets[c.number] = w;
      place(v, w, c);
    }
  }
  // Controls above sheets, as they are drawn on them.
  for (const auto& c : s.controls) {
    if (c.kind != ControlKind::kSheet && v->widgets.count(c.number)) v->widgets[c.number]->raise();
  }
  View* fr = frame();
  if (fr != nullptr) {
    auto* sub = new ChildWindow(s.id);
    sub->setWidget(v->content);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    fr->mdi->addSubWindow(sub);
    v->mdi = fr->mdi;
    v->outer = sub;
  } else {
    auto* top = new TopWindow(s.id);
    auto* layout = new QVBoxLayout(top);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(v->content);
    v->outer = top;
  }
}

QWidget* Bridge::make_control(View* v, const WindowState& s, const ControlState& c) {
  std::uint64_t id = v->id;
  std::int32_t n = c.number;
  switch (c.kind) {
    case ControlKind::kPrompt:
    case ControlKind::kString: {
      auto* l = new QLabel(v->content);
      return l;
    }
    case ControlKind::kEntry: {
      auto* e = new QLineEdit(v->content);
      QObject::connect(e, &QLineEdit::editingFinished, [v, e, id, n] {
        if (v->updating || !e->isModified()) return;
        e->setModified(false);
        send(id, UserAction::kType, n, bytes(e->text()));
      });
      return e;
    }
    case ControlKind::kTextBox: {
      auto* t = new QPlainTextEdit(v->content);
      t->setReadOnly(true);
      return t;
    }
    case ControlKind::kButton: {
      auto* b = new QPushButton(v->content);
      QObject::connect(b, &QPushButton::clicked, [id, n] { send(id, UserAction::kPress, n); });
      return b;
    }
    case ControlKind::kCheck: {
      auto* b = new QCheckBox(v->content);
      QObject::connect(b, &QCheckBox::clicked, [id, n] { send(id, UserAction::kPress, n); });
      return b;
    }
    case ControlKind::kList: {
      auto* t = new QTreeWidget(v->content);
      t->setRootIsDecorated(false);
      t->setUniformRowHeights(true);
      t->setAllColumnsShowFocus(true);
      t->setSelectionMode(QAbstractItemView::SingleSelection);
      std::vector<ListColumn> cols = c.columns;
      if (cols.empty()) cols.push_back(ListColumn{});
      t->setColumnCount(static_cast<int>(cols.size()));
      QStringList headers;
      bool any_header = false;
      for (const auto& col : cols) {
        headers << latin1(col.header);
        any_header = any_header || !col.header.empty();
      }
      t->setHeaderLabels(headers);
      t->setHeaderHidden(!any_header);
      for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
        t->headerItem()->setTextAlignment(i, alignment(cols[i].header_align));
        if (cols[i].width > 0) t->setColumnWidth(i, static_cast<int>(cols[i].width * v->du_x));
        t->header()->setSectionResizeMode(
            i, cols[i].resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
      }
      QObject::connect(t, &QTreeWidget::currentItemChanged,
                       [v, t, id, n](QTreeWidgetItem* item, QTreeWidgetItem*) {
                         if (v->updating || item == nullptr) return;
                         send(id, UserAction::kSelect, n, "", t->indexOfTopLevelItem(item) + 1);
                       });
      return t;
    }
    case ControlKind::kSheet: {
      auto* tabs = new QTabWidget(v->content);
      // The tabs' pages stay empty: the controls on them keep the window's
      // coordinates and are shown with their tab.
      for (const auto& t : s.controls) {
        if (t.kind != ControlKind::kTab || t.parent != c.number) continue;
        auto* page = new QWidget();
        tabs->addTab(page, latin1(t.text));
        page->setProperty("vx_tab", t.number);
      }
      QObject::connect(tabs, &QTabWidget::currentChanged, [v, tabs, id, n](int index) {
        if (v->updating || index < 0) return;
        int tab = tabs->widget(index)->property("vx_tab").toInt();
        send(id, UserAction::kSelect, n, "", tab);
      });
      return tabs;
    }
    case ControlKind::kLine: {
      auto* f = new QFrame(v->content);
      f->setFrameShape(QFrame::HLine);
      f->setFrameShadow(QFrame::Sunken);
      return f;
    }
    default:
      return nullptr;  // tabs, menus and toolbar buttons of a child have no widget
  }
}

void Bridge::place(View* v, QWidget* w, const ControlState& c) {
  int x = c.x < 0 ? 0 : static_cast<int>(c.x * v->du_x);
  int y = c.y < 0 ? 0 : static_cast<int>(c.y * v->du_y);
  w->move(x, y);
  QSize natural = w->sizeHint();
  int width = c.width > 0 ? static_cast<int>(c.width * v->du_x) : natural.width();
  int height = c.height > 0 ? static_cast<int>(c.height * v->du_y) : natural.height();
  w->resize(width, height);
}

void Bridge::apply(View* v, const WindowState& s) {
  v->updating = true;
  if (v->frame) {
    v->main->setWindowTitle(latin1(s.title));
    for (const auto& c : s.controls) {
      auto it = v->actions.find(c.number);
      if (it == v->actions.end() || c.number == 0) continue;
      it->second->setEnabled(c.enabled);
      it->second->setVisible(!c.hidden);
    }
    v->shown = s;
    v->updating = false;
    return;
  }
  if (v->outer == nullptr) {
    v->updating = false;
    return;
  }
  v->outer->setWindowTitle(latin1(s.title));
  for (const auto& c : s.controls) {
    auto it = v->widgets.find(c.number);
    if (it == v->widgets.end()) continue;
    QWidget* w = it->second;
    const ControlState* old = v->shown.control(c.number);
    bool visible = !c.hidden;
    if (const ControlState* tab = s.control(c.parent); tab && tab->kind == ControlKind::kTab) {
      const ControlState* sheet = s.control(tab->parent);
      visible = visible && sheet != nullptr && sheet->selected == tab->number;
    }
    w->setVisible(visible);
    w->setEnabled(c.enabled);
    w->setToolTip(latin1(c.hint));
    bool natural = c.width <= 0;
    switch (c.kind) {
      case ControlKind::kPrompt:
        static_cast<QLabel*>(w)->setText(plain(c.text));
        break;
      case ControlKind::kString:
        static_cast<QLabel*>(w)->setText(latin1(c.text));
        break;
      case ControlKind::kEntry: {
        auto* e = static_cast<QLineEdit*>(w);
        if (!(e->hasFocus() && e->isModified()) && e->text() != latin1(c.text)) {
          e->setText(latin1(c.text));
          e->setModified(false);
        }
        break;
      }
      case ControlKind::kTextBox: {
        auto* t = static_cast<QPlainTextEdit*>(w);
        if (t->toPlainText() != latin1(c.text)) t->setPlainText(latin1(c.text));
        break;
      }
      case ControlKind::kButton:
        static_cast<QPushButton*>(w)->setText(latin1(c.text));
        break;
      case ControlKind::kCheck:
        static_cast<QCheckBox*>(w)->setText(latin1(c.text));
        break;
      case ControlKind::kList: {
        auto* t = static_cast<QTreeWidget*>(w);
        if (old == nullptr || old->rows != c.rows) {
          int count = static_cast<int>(c.rows.size());
          while (t->topLevelItemCount() > count)
            delete t->takeTopLevelItem(t->topLevelItemCount() - 1);
          for (int r = 0; r < count; ++r) {
            QTreeWidgetItem* item = t->topLevelItem(r);
            if (item == nullptr) item = new QTreeWidgetItem(t);
            const auto& row = c.rows[r];
            for (int k = 0; k < t->columnCount(); ++k) {
              item->setText(k, k < static_cast<int>(row.size()) ? latin1(row[k]) : QString());
              if (k < static_cast<int>(c.columns.size())) {
                item->setTextAlignment(k, alignment(c.columns[k].align));
              }
            }
          }
        }
        if (c.selected >= 1 && c.selected <= t->topLevelItemCount()) {
          QTreeWidgetItem* item = t->topLevelItem(c.selected - 1);
          if (t->currentItem() != item) t->setCurrentItem(item);
          t->scrollToItem(item);
        }
        natural = false;
        break;
      }
      case ControlKind::kSheet: {
        auto* tabs = static_cast<QTabWidget*>(w);
        for (int i = 0; i < tabs->count(); ++i) {
          if (tabs->widget(i)->property("vx_tab").toInt() == c.selected) tabs->setCurrentIndex(i);
        }
        natural = false;
        break;
      }
      default:
        natural = false;
        break;
    }
    if (natural && c.height <= 0) w->resize(w->sizeHint());
  }
  if (s.focus != 0 && s.focus != v->shown.focus) {
    auto it = v->widgets.find(s.focus);
    if (it != v->widgets.end()) it->second->setFocus();
  }
  if (v->content != nullptr) v->content->setEnabled(v->boxes == 0);
  v->shown = s;
  v->updating = false;
}

void Bridge::show_help(int action) {
  if (help_ == nullptr) {
    View* fr = frame();
    help_ = new QDialog(fr != nullptr ? fr->main : nullptr);
    help_->setObjectName(QStringLiteral("help"));
    help_->resize(520, 420);
    auto* layout = new QVBoxLayout(help_);
    auto* search = new QLineEdit(help_);
    search->setObjectName(QStringLiteral("help_search"));
    search->setPlaceholderText(QStringLiteral("Search for..."));
    auto* page = new QTextBrowser(help_);
    page->setObjectName(QStringLiteral("help_page"));
    layout->addWidget(search);
    layout->addWidget(page);
    QObject::connect(search, &QLineEdit::returnPressed, [search, page] {
      if (!page->find(search->text())) {
        page->moveCursor(QTextCursor::Start);
        page->find(search->text());
      }
    });
  }
  auto* page = help_->findChild<QTextBrowser*>(QStringLiteral("help_page"));
  auto* search = help_->findChild<QLineEdit*>(QStringLiteral("help_search"));
  std::string title = help_title();
  help_->setWindowTitle(title.empty() ? QStringLiteral("Help") : latin1(title));
  if (action == kActionHelpOnHelp) {
    page->setHtml(QStringLiteral(
        "<h2>How to use Help</h2><p>The help page describes the application's menus, "
        "toolbar and windows. Type a word into the field above the page and press Enter to "
        "find it; press Enter again for the next place.</p>"));
  } else {
    std::string html = help_page();
    page->setHtml(html.empty() ? QStringLiteral("<p>No help is available.</p>") : latin1(html));
  }
  help_->show();
  help_->raise();
  if (action == kActionHelpSearch) search->setFocus();
}

void Bridge::standard_action(std::uint64_t id, int action) {
  View* fr = frame();
  QMdiArea* mdi = fr != nullptr ? fr->mdi : nullptr;
  switch (action) {
    case kActionTile:
      if (mdi) mdi->tileSubWindows();
      break;
    case kActionCascade:
      if (mdi) mdi->cascadeSubWindows();
      break;
    case kActionArrange:
      if (mdi) {
        int x = 0;
        for (QMdiSubWindow* sub : mdi->subWindowList()) {
          if (!sub->isMinimized()) continue;
          sub->move(x, mdi->viewport()->height() - sub->height());
          x += sub->width();
        }
      }
      break;
    case kActionCut:
    case kActionCopy:
    case kActionPaste: {
      QWidget* f = QApplication::focusWidget();
      if (auto* e = qobject_cast<QLineEdit*>(f)) {
        if (action == kActionCut) e->cut();
        if (action == kActionCopy) e->copy();
        if (action == kActionPaste) e->paste();
      } else if (auto* t = qobject_cast<QPlainTextEdit*>(f)) {
        if (action == kActionCut) t->cut();
        if (action == kActionCopy) t->copy();
        if (action == kActionPaste) t->paste();
      } else if (auto* list = qobject_cast<QTreeWidget*>(f)) {
        if (action == kActionCopy && list->currentItem() != nullptr) {
          QStringList cells;
          for (int k = 0; k < list->columnCount(); ++k) cells << list->currentItem()->text(k);
          QApplication::clipboard()->setText(cells.join('\t'));
        }
      }
      break;
    }
    case kActionPrintSetup: {
      static QPrinter* printer = new QPrinter();
      auto* d = new QPageSetupDialog(printer, fr != nullptr ? fr->main : nullptr);
      d->setObjectName(QStringLiteral("print_setup"));
      d->setAttribute(Qt::WA_DeleteOnClose);
      d->show();
      break;
    }
    case kActionHelpContents:
    case kActionHelpSearch:
    case kActionHelpOnHelp:
      show_help(action);
      break;
    default:
      break;
  }
}

QMessageBox::StandardButtons standard_buttons(std::uint32_t buttons) {
  if (buttons == 0) return QMessageBox::Ok;
  QMessageBox::StandardButtons out;
  if (buttons & kButtonOk) out |= QMessageBox::Ok;
  if (buttons & kButtonYes) out |= QMessageBox::Yes;
  if (buttons & kButtonNo) out |= QMessageBox::No;
  if (buttons & kButtonAbort) out |= QMessageBox::Abort;
  if (buttons & kButtonRetry) out |= QMessageBox::Retry;
  if (buttons & kButtonIgnore) out |= QMessageBox::Ignore;
  if (buttons & kButtonCancel) out |= QMessageBox::Cancel;
  return out;
}

QMessageBox::StandardButton standard_button(std::uint32_t bit) {
  switch (bit) {
    case kButtonOk:
      return QMessageBox::Ok;
    case kButtonYes:
      return QMessageBox::Yes;
    case kButtonNo:
      return QMessageBox::No;
    case kButtonAbort:
      return QMessageBox::Abort;
    case kButtonRetry:
      return QMessageBox::Retry;
    case kButtonIgnore:
      return QMessageBox::Ignore;
    case kButtonCancel:
      return QMessageBox::Cancel;
    default:
      return QMessageBox::NoButton;
  }
}

std::uint32_t answer_of(QMessageBox::StandardButton b, const MessageBoxSpec& box) {
  switch (b) {
    case QMessageBox::Ok:
      return kButtonOk;
    case QMessageBox::Yes:
      return kButtonYes;
    case QMessageBox::No:
      return kButtonNo;
    case QMessageBox::Abort:
      return kButtonAbort;
    case QMessageBox::Retry:
      return kButtonRetry;
    case QMessageBox::Ignore:
      return kButtonIgnore;
    case QMessageBox::Cancel:
      return kButtonCancel;
    default:
      return default_answer(box);
  }
}

QMessageBox::Icon box_icon(std::uint32_t icon) {
  switch (icon) {
    case kIconHand:
      return QMessageBox::Critical;
    case kIconQuestion:
      return QMessageBox::Question;
    case kIconExclamation:
      return QMessageBox::Warning;
    case kIconAsterisk:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox* make_box(const MessageBoxSpec& box, QWidget* parent) {
  auto* mb = new QMessageBox(box_icon(box.icon), latin1(box.title), latin1(box.text),
                             standard_buttons(box.buttons), parent);
  std::uint32_t def = default_answer(box);
  if (QAbstractButton* b = mb->button(standard_button(def))) {
    mb->setDefaultButton(static_cast<QPushButton*>(b));
  }
  return mb;
}

std::uint32_t Bridge::show_box(std::int32_t thread, const MessageBoxSpec& box,
                               std::function<void(std::uint32_t)> done) {
  View* fr = frame();
  View* owner = view_of_thread(thread);
  QMessageBox* mb = make_box(box, fr != nullptr ? fr->main : nullptr);
  mb->setObjectName(QStringLiteral("message_box"));
  mb->setProperty("vx_thread", thread);
  // Modeless: the box holds up its own thread only. Its window takes no input meanwhile.
  mb->setWindowModality(Qt::NonModal);
  mb->setAttribute(Qt::WA_DeleteOnClose);
  std::uint64_t owner_id = owner != nullptr ? owner->id : 0;
  if (owner != nullptr) {
    ++owner->boxes;
    if (owner->content != nullptr && !owner->frame) owner->content->setEnabled(false);
  }
  QObject::connect(mb, &QMessageBox::finished, [this, mb, box, done, owner_id](int) {
    std::uint32_t answer = answer_of(mb->standardButton(mb->clickedButton()), box);
    if (View* o = view(owner_id)) {
      if (--o->boxes == 0 && o->content != nullptr) o->content->setEnabled(true);
    }
    done(answer);
  });
  mb->show();
  mb->raise();
  return 0;
}

class QtBackend final : public Backend {
 public:
  explicit QtBackend(QObject* context) : context_(context) {}
  const char* name() const override { return "qt"; }

  struct BoxState {
    std::atomic<bool> done{false};
    std::atomic<std::uint32_t> answer{0};
    std::int32_t thread = 0;
    std::uint32_t fallback = 0;
  };

  std::uint32_t message_box(const MessageBoxSpec& box) override {
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
      std::unique_ptr<QMessageBox> mb(make_box(box, nullptr));
      mb->exec();
      return answer_of(mb->standardButton(mb->clickedButton()), box);
    }
    auto state = std::make_shared<BoxState>();
    state->thread = RT_THREAD();
    state->fallback = default_answer(box);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!alive_) return default_answer(box);
      boxes_.insert(state);
      QMetaObject::invokeMethod(
          context_,
          [state, box] {
            g_bridge->show_box(state->thread, box, [state](std::uint32_t a) {
              state->answer = a;
              state->done = true;
              wake_thread(state->thread);
            });
          },
          Qt::QueuedConnection);
    }
    modal_wait([&] { return state->done.load(); });
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.erase(state);
    return state->answer;
  }

  bool stop_prompt(const std::string& text) override {
    MessageBoxSpec box{text, "Stop", kIconHand, kButtonAbort | kButtonIgnore, kButtonIgnore};
    return message_box(box) == kButtonAbort;
  }

  void window_opened(const std::shared_ptr<WindowModel>& w) override {
    post([w] { g_bridge->open(w); });
  }

  void window_changed(const std::shared_ptr<WindowModel>& w) override {
    std::uint64_t id = w->id();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!alive_ || pending_.count(id)) return;  // one redraw on its way is enough
    pending_.insert(id);
    QMetaObject::invokeMethod(
        context_,
        [this, w, id] {
          {
            std::lock_guard<std::mutex> l(mutex_);
            pending_.erase(id);
          }
          g_bridge->update(w);
        },
        Qt::QueuedConnection);
  }

  void window_closed(const std::shared_ptr<WindowModel>& w) override {
    std::uint64_t id = w->id();
    post([id] { g_bridge->close(id); });
  }

  void standard_action(const std::shared_ptr<WindowModel>& w, int action) override {
    std::uint64_t id = w->id();
    post([id, action] { g_bridge->standard_action(id, action); });
  }

  void beep() override {
    post([] { QApplication::beep(); });
  }

  // Stops posting; boxes still waiting get their default answer.
  void shut_down() {
    std::lock_guard<std::mutex> lock(mutex_);
    alive_ = false;
    for (const auto& b : boxes_) {
      b->answer = b->fallback;
      b->done = true;
      wake_thread(b->thread);
    }
  }

 private:
  void post(std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!alive_) return;
    QMetaObject::invokeMethod(context_, std::move(fn), Qt::QueuedConnection);
  }

  QObject* context_;
  std::mutex mutex_;
  bool alive_ = true;
  std::set<std::uint64_t> pending_;
  std::set<std::shared_ptr<BoxState>> boxes_;
};

QObject* g_context = nullptr;
QtBackend* g_backend = nullptr;  // owned by the runtime once installed

}  // namespace

void install() {
  if (g_bridge != nullptr) return;
  g_bridge = new Bridge();
  g_context = new QObject();
  auto backend = std::make_unique<QtBackend>(g_context);
  g_backend = backend.get();
  set_backend(std::move(backend));
  // Windows opened before the back end was installed are shown now.
  for (const auto& w : open_windows()) g_bridge->open(w);
}

void uninstall() {
  if (g_bridge == nullptr) return;
  // The back end object stays installed (other threads may be inside it) but posts
  // nothing any more.
  g_backend->shut_down();
  // Let what was posted before run against the still-existing bridge.
  QCoreApplication::sendPostedEvents(g_context);
  g_bridge->clear();
  delete g_context;
  g_context = nullptr;
  delete g_bridge;
  g_bridge = nullptr;
}

void run_program(int argc, char** argv, const std::function<void()>& program) {
  static int qt_argc;
  qt_argc = argc;
  QApplication app(qt_argc, argv);
  app.setQuitOnLastWindowClosed(false);
  install();
  start_thread(
      [&program] {
        program();
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
      },
      0);
  app.exec();
  uninstall();
}

QMainWindow* frame_widget() {
  if (g_bridge == nullptr) return nullptr;
  View* f = g_bridge->frame();
  return f != nullptr ? f->main : nullptr;
}

QMdiArea* mdi_area() {
  if (g_bridge == nullptr) return nullptr;
  View* f = g_bridge->frame();
  return f != nullptr ? f->mdi : nullptr;
}

QWidget* window_widget(std::uint64_t id) {
  if (g_bridge == nullptr) return nullptr;
  View* v = g_bridge->view(id);
  return v != nullptr ? v->outer : nullptr;
}

QWidget* control_widget(std::uint64_t id, std::int32_t control) {
  if (g_bridge == nullptr) return nullptr;
  View* v = g_bridge->view(id);
  if (v == nullptr) return nullptr;
  auto it = v->widgets.find(control);
  return it == v->widgets.end() ? nullptr : it->second;
}

QAction* control_action(std::uint64_t id, std::int32_t control) {
  if (g_bridge == nullptr) return nullptr;
  View* v = g_bridge->view(id);
  if (v == nullptr) return nullptr;
  auto it = v->actions.find(control);
  return it == v->actions.end() ? nullptr : it->second;
}

double dialog_unit_x(std::uint64_t id) {
  View* v = g_bridge != nullptr ? g_bridge->view(id) : nullptr;
  return v != nullptr ? v->du_x : 0;
}

double dialog_unit_y(std::uint64_t id) {
  View* v = g_bridge != nullptr ? g_bridge->view(id) : nullptr;
  return v != nullptr ? v->du_y : 0;
}

}  // namespace vx::ui::qt

namespace vx::ui {
// The start-up's entry to this back end (runtime/ui/start.cc).
void run_qt_program(int argc, char** argv, const std::function<void()>& program) {
  qt::run_program(argc, argv, program);
}
}  // namespace vx::ui
