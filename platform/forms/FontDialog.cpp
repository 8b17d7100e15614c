#include "FontDialog.h"

#include "BitmapImage.h"
#include "ControlWidget.h"
#include "Dialogs.h"
#include "SysUtils.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QSpinBox>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

static_assert(fsBold == 1 && fsItalic == 2 && fsUnderline == 4 && fsStrikeOut == 8,
              "the font dialog's style bits are the font's");

namespace {

const std::array<std::pair<TFontStyles, const char*>, 4> StyleBoxes{
    {{fsBold, "Bold"}, {fsItalic, "Italic"}, {fsUnderline, "Underline"}, {fsStrikeOut, "Strikeout"}}};

TColor FromQColor(const QColor& Color) { return Color.red() | Color.green() << 8 | Color.blue() << 16; }

int32_t PointsOf(int32_t Height)
{
    TFont font;
    font.SetHeight(Height);
    return std::abs(font.Size());
}

} // namespace

// The dialog offers the face names the canvas draws; a name it does not know stays on offer at the top. What
// the user leaves alone comes back as it was (a size the dialog rounded to points, a system colour).
bool QtFontDialog(const TDialogFont& Font, TDialogFont& Chosen)
{
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* layout = new QFormLayout(&dialog);

    auto* names = new QComboBox(&dialog);
    names->setObjectName(QStringLiteral("name"));
    std::vector<std::string> faces = FontFaceNames();
    auto known = std::find_if(faces.begin(), faces.end(), [&](const std::string& Face) { return SameText(Face, Font.Name); });
    if (known == faces.end()) known = faces.insert(faces.begin(), Font.Name);
    for (const std::string& face : faces) names->addItem(ToQString(face));
    names->setCurrentIndex(static_cast<int>(known - faces.begin()));
    layout->addRow(QStringLiteral("Font:"), names);

    const int32_t points = PointsOf(Font.Height);
    auto* size = new QSpinBox(&dialog);
    size->setObjectName(QStringLiteral("size"));
    size->setRange(1, 200);
    size->setValue(points);
    layout->addRow(QStringLiteral("Size:"), size);

    std::vector<QCheckBox*> styles;
    for (const auto& [bit, caption] : StyleBoxes) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), &dialog);
        box->setObjectName(QString::fromLatin1(caption).toLower());
        box->setChecked(Font.Style & bit);
        layout->addRow(box);
        styles.push_back(box);
    }

    QColor colour = ToQColor(Font.Color);
    const QColor shownColour = colour;
    auto* colourButton = new QPushButton(QStringLiteral("Colour..."), &dialog);
    colourButton->setObjectName(QStringLiteral("colour"));
    layout->addRow(QStringLiteral("Colour:"), colourButton);

    auto* sample = new QLabel(QStringLiteral("AaBbYyZz"), &dialog);
    sample->setObjectName(QStringLiteral("sample"));
    sample->setMinimumHeight(48);
    layout->addRow(sample);
    const auto showSample = [&] {
        QFont font(ToQString(ResolveFontFace(names->currentText().toStdString()).Family));
        TFont sized;
        sized.SetSize(size->value());
        font.setPixelSize(std::abs(sized.Height()));
        font.setBold(styles[0]->isChecked());
        font.setItalic(styles[1]->isChecked());
        font.setUnderline(styles[2]->isChecked());
        font.setStrikeOut(styles[3]->isChecked());
        sample->setFont(font);
        QPalette palette = sample->palette();
        palette.setColor(QPalette::WindowText, colour);
        sample->setPalette(palette);
    };
    QObject::connect(names, &QComboBox::currentIndexChanged, &dialog, showSample);
    QObject::connect(size, &QSpinBox::valueChanged, &dialog, showSample);
    for (QCheckBox* box : styles) QObject::connect(box, &QCheckBox::toggled, &dialog, showSample);
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        const QColor picked = QColorDialog::getColor(colour, &dialog);
        if (!picked.isValid()) return;
        colour = picked;
        showSample();
    });
    showSample();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;

    Chosen.Name = names->currentText().toStdString();
    if (size->value() != points) {
        TFont sized;
        sized.SetSize(size->value());
        Chosen.Height = sized.Height();
    }
    Chosen.Style = 0;
    for (size_t i = 0; i < styles.size(); ++i)
        if (styles[i]->isChecked()) Chosen.Style |= StyleBoxes[i].first;
    if (colour != shownColour) Chosen.Color = FromQColor(colour);
    return true;
}

// TFontDialog

TFontDialog::TFontDialog(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute()
{
    TDialogFont font{FFont->Name(), FFont->Height(), FFont->Style(), FFont->Color()};
    if (!ShowFontDialog(font)) return false;
    TFont chosen;
    chosen.SetName(font.Name);
    chosen.SetHeight(font.Height);
    chosen.SetStyle(font.Style);
    chosen.SetColor(font.Color);
    FFont->Assign(&chosen);
    return true;
}
