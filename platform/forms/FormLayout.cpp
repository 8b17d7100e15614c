#include "FormLayout.h"

#include "ControlWidget.h"
#include "Forms.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionGroupBox>

#include <optional>

namespace {

QWidget* Content(const TWinControl* control) { return ContentWidget<QWidget>(TControlWidget::Of(control)); }

// A button's "&" marks its key letter and does not show; "&&" shows one.
QString ShownButtonText(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// The caption the control shows; nothing for a control without one.
QString CaptionOf(const QWidget* content)
{
    if (auto* label = qobject_cast<const QLabel*>(content)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(content)) return ShownButtonText(button->text());
    if (auto* group = qobject_cast<const QGroupBox*>(content)) return group->title();
    return {};
}

std::string Bounds(const TWinControl* control)
{
    return "(" + std::to_string(control->Left()) + "," + std::to_string(control->Top()) + " " +
           std::to_string(control->Width()) + "x" + std::to_string(control->Height()) + ")";
}

std::string Describe(const TWinControl* control)
{
    std::string text = control->ClassName();
    if (const QString caption = CaptionOf(Content(control)); !caption.isEmpty())
        text += " \"" + caption.toStdString() + "\"";
    return text + " " + Bounds(control);
}

std::string DescribeIn(const TWinControl* control)
{
    const TWinControl* parent = control->Parent();
    return Describe(control) + (parent ? " in " + Describe(parent) : std::string());
}

// Where a group box draws its title, in the box's coordinates.
QRect GroupTitle(const QGroupBox& group)
{
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.textAlignment = group.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.lineWidth = 1;
    return group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group);
}

// The width the caption needs to show whole inside its control; nothing for a control without a caption.
std::optional<int> CaptionWidth(const QWidget& content)
{
    const QString caption = CaptionOf(&content);
    if (caption.isEmpty()) return std::nullopt;
    const QFontMetrics metrics = content.fontMetrics();
    const int text = metrics.boundingRect(QRect(), Qt::TextExpandTabs, caption).width();
    const QStyle& style = *content.style();
    if (auto* label = qobject_cast<const QLabel*>(&content)) {
        if (label->wordWrap()) return std::nullopt;
        return text + 2 * (label->margin() + label->frameWidth());
    }
    if (qobject_cast<const QCheckBox*>(&content))
        return style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &content) +
               style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &content) + text;
    if (qobject_cast<const QRadioButton*>(&content))
        return style.pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &content) +
               style.pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &content) + text;
    if (auto* group = qobject_cast<const QGroupBox*>(&content)) return GroupTitle(*group).right() + 1;
    // A push or tool button: the text inside a bevel of two pixels a side.
    return text + 4;
}

class TLayoutCheck {
public:
    explicit TLayoutCheck(TForm& form) : FForm(form) {}

    std::vector<std::string> Run()
    {
        QWidget* window = TControlWidget::Of(&FForm);
        if (!window) return {};
        if (const QScreen* screen = window->screen()) {
            const QRect area = screen->availableGeometry(), frame = window->frameGeometry();
            if (!area.contains(frame))
                Fault("the window " + std::to_string(frame.width()) + "x" + std::to_string(frame.height()) +
                      " at " + std::to_string(frame.x()) + "," + std::to_string(frame.y()) +
                      " reaches outside the screen's work area " + std::to_string(area.width()) + "x" +
                      std::to_string(area.height()));
        }
        if (auto* bar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) FMenuBar = bar->geometry();
        Walk(FForm);
        return std::move(FFaults);
    }

private:
    void Fault(std::string text) { FFaults.push_back(std::move(text)); }

    static bool Shown(const TWinControl& control) { return control.Visible() && control.Width() > 0 && control.Height() > 0; }

    static TRect BoundsOf(const TWinControl& control)
    {
        return TRect{control.Left(), control.Top(), control.Left() + control.Width(), control.Top() + control.Height()};
    }

    static bool Overlap(const TRect& a, const TRect& b)
    {
        return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
    }

    void CheckCaption(const TWinControl& control)
    {
        const QWidget* content = Content(&control);
        if (!content) return;
        const std::optional<int> needed = CaptionWidth(*content);
        if (needed && *needed > content->width())
            Fault("the caption of " + DescribeIn(&control) + " needs " + std::to_string(*needed) + " px");
    }

    void Walk(TWinControl& parent)
    {
        std::vector<TWinControl*> shown;
        for (int i = 0; i < parent.ControlCount(); ++i)
            if (TWinControl* child = parent.Controls(i); Shown(*child)) shown.push_back(child);
        const TRect client = parent.ClientRect();
        const auto* group = qobject_cast<const QGroupBox*>(Content(&parent));
        const QRect title = group ? GroupTitle(*group) : QRect();
        for (TWinControl* child : shown) {
            const TRect bounds = BoundsOf(*child);
            if (bounds.Left < client.Left || bounds.Top < client.Top || bounds.Right > client.Right ||
                bounds.Bottom > client.Bottom)
                Fault(DescribeIn(child) + " reaches outside its parent's client area");
            if (&parent == &FForm && FMenuBar.isValid()) {
                const QWidget* widget = TControlWidget::Of(child);
                if (widget && widget->geometry().intersects(FMenuBar)) Fault(Describe(child) + " lies under the menu bar");
            }
            if (!title.isEmpty() && Overlap(bounds, TRect{title.left(), title.top(), title.right() + 1, title.bottom() + 1}))
                Fault(DescribeIn(child) + " covers the group box's title");
            CheckCaption(*child);
            Walk(*child);
        }
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = i + 1; j < shown.size(); ++j)
                if (Overlap(BoundsOf(*shown[i]), BoundsOf(*shown[j])))
                    Fault(Describe(shown[i]) + " and " + DescribeIn(shown[j]) + " overlap");
    }

    TForm& FForm;
    QRect FMenuBar;
    std::vector<std::string> FFaults;
};

} // namespace

std::vector<std::string> CheckFormLayout(TForm& Form) { return TLayoutCheck(Form).Run(); }
