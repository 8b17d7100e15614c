// The settings window: a fixed-size dialog over the configuration globals. Most controls store their global at
// once, so the game behind the window follows them while it runs; OK writes "\gh.cfg", re-reads it and applies
// the full-screen setting. Closing without OK keeps the changes for this run and writes nothing.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <cstdint>

class TForm5 : public TForm {
public:
    explicit TForm5(TComponent* AOwner);

    // The opening steps, each on its own: a file it cannot read leaves its control empty or at the global's
    // value (logged, naming the file) and the other steps still run. Values set here run their controls'
    // handlers where they change (edits, check boxes, sliders); combo boxes selected here run nothing.
    void FormShow(TObject* Sender);

    // Language: refused (a message naming the file) unless ComboBox1's text is a plain folder name with
    // "\text\<lng>\strings.txt".
    void Button1Click(TObject* Sender);
    // OK: anti-aliasing from ComboBox2, then the file is written and the window hidden, re-read and the full
    // screen applied. A write that fails leaves the window open, names the file and reads nothing back.
    void Button2Click(TObject* Sender);
    // Movement defaults: TrackBar1 50, TrackBar2 10 (their handlers store them).
    void Button3Click(TObject* Sender);
    // Graphics defaults: Edit1 "5", Edit2 "100", Edit3 "250", ComboBox2 item 0.
    void Button4Click(TObject* Sender);
    void Button5Click(TObject* Sender);
    // Adventure: the chosen item's index and its line of "\text\adventureid.txt".
    void Button6Click(TObject* Sender);
    // Each check box, edit and slider stores its global first (an edit refuses, and marks, text that is no
    // number or, for Edit1 and Edit7, below 1); these do more besides. CheckBox1 stops the music on every
    // change, CheckBox2 when it is unticked.
    void CheckBox1Click(TObject* Sender);
    void CheckBox2Click(TObject* Sender);
    void ComboBox3Change(TObject* Sender);
    void ComboBox4Change(TObject* Sender);
    void ComboBox5Change(TObject* Sender);
    // maxvd is also the current view distance.
    void Edit7Change(TObject* Sender);
    // The master volume follows soundvol at once.
    void TrackBar3Change(TObject* Sender);
    // The music starts again on the next frame.
    void TrackBar4Change(TObject* Sender);
    // Label14 shows the difficulty.
    void TrackBar7Change(TObject* Sender);
    // Writes the 45 settings (line 16 the chosen anti-aliasing) to "\gh.cfg" and hides the window. A failed
    // write raises, naming the file, and keeps both the old file and the window.
    void SaveSettings();

    // The resolution list's item for a full-screen size; -1 where the list has none.
    static int32_t ResolutionItem(int32_t width, int32_t height);
    // The texture-quality list's item for a texquality value (-1 for none), and the value an item stores.
    static int32_t QualityItem(int32_t quality);
    static int32_t QualityOfItem(int32_t item);

    TGroupBox* GroupBox1 = nullptr; // movement
    TGroupBox* GroupBox2 = nullptr; // graphics
    TGroupBox* GroupBox3 = nullptr; // sound
    TGroupBox* GroupBox4 = nullptr; // battle log
    TGroupBox* GroupBox5 = nullptr; // gameplay
    TGroupBox* GroupBox6 = nullptr; // full screen, inside graphics
    TGroupBox* GroupBox7 = nullptr; // adventure, inside gameplay
    TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr,
           *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr,
           *Label16 = nullptr, *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr,
           *Label21 = nullptr;
    TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr,
              *ComboBox5 = nullptr, *ComboBox6 = nullptr;
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr,
            *Button6 = nullptr;
    TTrackBar *TrackBar1 = nullptr, *TrackBar2 = nullptr, *TrackBar3 = nullptr, *TrackBar4 = nullptr,
              *TrackBar5 = nullptr, *TrackBar6 = nullptr, *TrackBar7 = nullptr;
    TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
          *Edit7 = nullptr;
    TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr, *CheckBox4 = nullptr,
              *CheckBox5 = nullptr, *CheckBox6 = nullptr, *CheckBox7 = nullptr, *CheckBox8 = nullptr,
              *CheckBox9 = nullptr, *CheckBox10 = nullptr, *CheckBox11 = nullptr, *CheckBox12 = nullptr,
              *CheckBox13 = nullptr, *CheckBox14 = nullptr, *CheckBox15 = nullptr, *CheckBox16 = nullptr,
              *CheckBox17 = nullptr, *CheckBox18 = nullptr, *CheckBox19 = nullptr, *CheckBox20 = nullptr,
              *CheckBox21 = nullptr, *CheckBox22 = nullptr, *CheckBox23 = nullptr;
    TImage* Image1 = nullptr;
};

extern TForm5* Form5;
