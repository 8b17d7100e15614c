// The map editor window "MapEd": a top view of the running level drawn every 200 ms, the tools that paint cells,
// the panels that edit the cursor cell, the free sprites and the map's header values, and the menus and commands
// that load, save and rework the whole map. It edits the game's tables in place: what it changes is what the next
// build of the level shows and what the map writer saves.
//
// The window is made hidden at start-up and shown by F4; an unshown window is its own widget-free model (its
// controls keep their values), which the tests drive.
#pragma once

#include "UGH_main.h"
#include "UGH_tables.h"

#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

// ---- The editor's state (one editor per process) ----
// The cursor cell edcurx, edcury is declared with the game (UGH_main.h): the game's edit view flies over it.
extern int32_t edtool;               // the tool that painting applies, 0..6 (see PlaceItemInCell)
extern int32_t edselx, edsely;       // the selection's second corner; the cursor is the first
extern int32_t edfsprite;            // the free sprite the free-sprite panel shows
extern int32_t edscrollx, edscrolly; // the view's scroll offset in cells
extern lcell edcellbuf;              // the copy buffer: one whole cell
extern int32_t edlgroup;             // the light group the light-group tool paints
extern int32_t edvarea1, edvarea2;   // the two visibility areas the area tool paints
extern bool edldown, edmdown;        // the left, the middle button went down over the view and is still down
extern int32_t edlastx, edlasty;     // the last pointer position over the view, in view pixels
// The last drawing of the map, 20 pixels a cell, cell (0, 0) at the top left (the view shows it flipped); the
// map-image export saves it.
extern std::unique_ptr<TBitmap> edmapbmp;

// The highest used index along each axis, within the table: the map header's values may lie outside it.
inline int32_t UsedMaxX() { return std::clamp(mapmaxx, 0, 100); }
inline int32_t UsedMaxY() { return std::clamp(mapmaxy, 0, 100); }

// The colour of visibility area n in the view: six fixed colours, then greys that darken as n grows.
TColor visareacolor(int32_t n);

// An information box captioned "MapEd" (through the dialog hooks).
void EditorMessage(const std::string& text);

class TForm2 : public TForm {
public:
    explicit TForm2(TComponent* AOwner);
    ~TForm2() override;

    // ==== View and tools (UGHmapedit.cpp) ====

    // Draws the map into edmapbmp and shows it flipped and magnified twice in Image1 from the scroll offset.
    void RenderMap();
    // The refresh tick, only while the window is visible: the drawing, the focus given back to the window unless
    // "focus" is off or the left button is held, the cursor cell's check boxes and the scroll bars' ranges.
    void Timer1Timer(TObject* Sender);
    // The cell under a view pixel, clamped to the used grid.
    TPoint CellAt(int32_t X, int32_t Y) const;
    // Left drag paints with the tool; middle drag scrolls; a release moves the cursor (with Shift only the
    // selection's second corner), refreshes the panels and, for the left button, paints the cursor cell.
    void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void Image1MouseMove(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y);
    void Image1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void Image1MouseLeave(TObject* Sender);
    // The arrow keys move the cursor within the used grid (Up lowers y: the view is flipped).
    void FormKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
    // Applies tool em to cell (ccx, ccy); a cell outside the grid is left alone.
    void PlaceItemInCell(int32_t ccx, int32_t ccy, int32_t em);
    // Copies edcellbuf over the selection row by row from the cursor, writing each pasted cell's side files; a map
    // without a folder name for its id (a random one) gets the cells alone, and a message says so.
    void PasteToArea();
    void Copy1Click(TObject* Sender);
    void Paste1Click(TObject* Sender);
    // The tools: select, wall, door, chest, clear, light groups, visibility areas.
    void SpeedButton14Click(TObject* Sender);
    void SpeedButton15Click(TObject* Sender);
    void SpeedButton16Click(TObject* Sender);
    void SpeedButton17Click(TObject* Sender);
    void SpeedButton22Click(TObject* Sender);
    void SpeedButton23Click(TObject* Sender);
    void SpeedButton24Click(TObject* Sender);
    void ScrollBar1Change(TObject* Sender);
    void ScrollBar2Change(TObject* Sender);

    // ==== Panels (UGHmapedit_panels.cpp) ====
    // A number box of the cursor cell writes its field at every change of its text, a check box at every click,
    // and a name list when a name is chosen or typed; a box whose text is no whole number (the size boxes: no
    // number from 0 to 99) is marked and the field keeps its value. Commands that write several values read
    // every box first and write nothing unless all hold their numbers, naming the first that does not.

    // The handlers of the panels' controls, the event list's names and the groups' folding by a double click.
    void WirePanels();
    // Fills the boxes from the cursor cell; the override lists show line 0 of the cell's side files ("" without
    // one) and leave the cell's overrides as they are.
    void showcelldata();
    // Fills the lists: environments, sprite names, meshes, grass sprites (a missing list is logged and left
    // empty), free-sprite slots "0".."200" with "0" chosen.
    void FormShow(TObject* Sender);
    // Shows free sprite fs in its panel and makes it the panel's sprite; a slot outside the table does nothing.
    void displayfspritedata(int32_t fs);
    // The cursor boxes show the sprite name of their cell in the cell sprite list.
    void Edit1Change(TObject* Sender);
    // The event type box chooses the list's item; choosing an item writes the box. Choosing "multievent" also
    // loads the event script "\scripts\scr_<par1>.txt" into the script memo when there is one.
    void Edit3Change(TObject* Sender);
    void ComboBox3Change(TObject* Sender);
    // Map id: "set" (a folder name of letters, digits, "_", "-" and "."), "read", "dir" (makes its folder).
    void Button28Click(TObject* Sender);
    void Button19Click(TObject* Sender);
    void Button20Click(TObject* Sender);
    // The highest x and y in use.
    void Edit26Change(TObject* Sender);
    void Edit27Change(TObject* Sender);
    // The skybox and the map name (in ComboBox10's language) go to their files of the map's folder at every
    // change; a write that fails marks the box and is logged. Choosing a language shows that name file, or the
    // map id without one.
    void Edit25Change(TObject* Sender);
    void ComboBox4Change(TObject* Sender);
    void Edit49Change(TObject* Sender);
    void ComboBox10Change(TObject* Sender);
    // The player light: "d" the default boxes, "s" sets the light (attenuations in ten-thousandths, colour in
    // 0..255) and writes the map's light file, "read" shows the light.
    void Button29Click(TObject* Sender);
    void Button30Click(TObject* Sender);
    void Button31Click(TObject* Sender);
    // Start and exit: "set" (the start within the grid), "read", "lookside", "s" (start := cursor), "s" (exit).
    void Button4Click(TObject* Sender);
    void Button5Click(TObject* Sender);
    void Button11Click(TObject* Sender);
    void Button37Click(TObject* Sender);
    void Button38Click(TObject* Sender);
    // "j": the player onto the cursor cell, the camera jumping there; "a": the cursor door's face.
    void Button18Click(TObject* Sender);
    void SpeedButton13Click(TObject* Sender);
    // The event script of par1: ">" adds the three event boxes to the memo, "l" loads, "s" saves.
    void Button15Click(TObject* Sender);
    void Button16Click(TObject* Sender);
    void Button17Click(TObject* Sender);
    // Cell meshes: "ok" writes wmo, the angles, the offset and forcewallmesh; "default" (angles, offset), "fo"
    // (fmo := the mesh box), "^" (the mesh box := fmo), "void".
    void Button26Click(TObject* Sender);
    void Button25Click(TObject* Sender);
    void Button27Click(TObject* Sender);
    void Button34Click(TObject* Sender);
    void Button35Click(TObject* Sender);
    void Button39Click(TObject* Sender);
    // Free sprites: choosing a slot shows it; "set" writes edfsprite; "df"; "cln prev" copies the slot before
    // (disabled on slot 0); "act. cell c." puts the cursor cell's position into the boxes.
    void ComboBox1Change(TObject* Sender);
    void Button7Click(TObject* Sender);
    void Button13Click(TObject* Sender);
    void Button14Click(TObject* Sender);
    void Button21Click(TObject* Sender);
    // The cursor cell's script (or search script): "load" ("no script for this cell" and an empty memo without
    // one), "save".
    void SpeedButton1Click(TObject* Sender);
    void SpeedButton2Click(TObject* Sender);

    // ==== Commands (UGHmapedit_commands.cpp, UGHmapedit_export.cpp) ====
    // The menus' and the map-wide buttons' handlers, and the editor's part in the game's map reads and writes
    // (the window shown again when a read changed the wall set, "save complete" while it shows).
    void WireCommands();
    // "new": the level emptied. "save": a map file chosen, a question before replacing one, the map written
    // with the editor's free meshes. "load": the chosen map read; then, a cancelled dialog too, the skybox box
    // from the map's skybox file, the level built, the player on its start, the id and size boxes filled.
    // "build": the level built from the tables.
    void SpeedButton3Click(TObject* Sender);
    void SpeedButton4Click(TObject* Sender);
    void SpeedButton5Click(TObject* Sender);
    void SpeedButton6Click(TObject* Sender);
    // Each behind its question (Yes, Cancel): "Auto" numbers the cells' ids from 1, x outer; "no f/c" takes
    // every floor and ceiling away; "auto floor/ceil" places them (TForm1::AutoPlaceFloorCeil).
    void Button22Click(TObject* Sender);
    void Button23Click(TObject* Sender);
    void Button24Click(TObject* Sender);
    // "clr empt.": cell sprites without a name get "0", no sprite.
    void Button32Click(TObject* Sender);
    // The copy buffer into the script memo, a "key=value" line per field.
    void BufferedCellData1Click(TObject* Sender);
    // The selection's walls cast shadows and its other cells do not; the other removes shadow casting from the
    // whole grid.
    void Makeselectioncastshadows1Click(TObject* Sender);
    void Removeshadowcasting1Click(TObject* Sender);
    // A generated level with its doors facing their passages, built.
    void Random1Click(TObject* Sender);
    void AutoGetDoorAngles1Click(TObject* Sender);
    // The game's camera over the cursor cell, or back behind the player.
    void ToggleEditView1Click(TObject* Sender);
    // Asks the desktop to open "scripting_ref.docx" of the data folder; a failure is not reported.
    void Scriptingreference1Click(TObject* Sender);
    // The last drawing of the map saved as a BMP under a chosen name.
    void ExportMapImage1Click(TObject* Sender);
    // The monster (db 0) or card (db 1) table into a new workbook of the spreadsheet program: titles on row 1,
    // record i on row i + 2 (every monster; only enabled cards). A call the program refuses ends the export
    // with its error, the cells before it kept in the workbook.
    void edb(int32_t db);

    // ==== Controls ====
    // Frame: the toolbar on top, the left column, the bottom strip below its splitter, the view in the centre.
    TPanel* Panel1 = nullptr; // the view with its scroll bars
    TPanel* Panel2 = nullptr; // left column
    TPanel* Panel3 = nullptr; // toolbar
    TPanel* Panel4 = nullptr; // bottom strip
    TPanel* Panel5 = nullptr; // the bottom strip's top row: script controls and cursor
    TSplitter* Splitter1 = nullptr;
    TImage* Image1 = nullptr;
    TScrollBar* ScrollBar1 = nullptr; // horizontal: edscrollx
    TScrollBar* ScrollBar2 = nullptr; // vertical: edscrolly
    TTimer* Timer1 = nullptr;

    // Toolbar: the seven tools, the file buttons and the view's check boxes.
    TSpeedButton *SpeedButton14 = nullptr, *SpeedButton15 = nullptr, *SpeedButton16 = nullptr,
                 *SpeedButton17 = nullptr, *SpeedButton22 = nullptr, *SpeedButton23 = nullptr,
                 *SpeedButton24 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr; // "new"
    TSpeedButton* SpeedButton4 = nullptr; // "save"
    TSpeedButton* SpeedButton5 = nullptr; // "load"
    TSpeedButton* SpeedButton6 = nullptr; // "build"
    TCheckBox* CheckBox10 = nullptr;      // "marks"
    TCheckBox* CheckBox13 = nullptr;      // "focus"
    TCheckBox* CheckBox21 = nullptr;      // "areas"
    // Buttons that show the other editors, each made by the unit of its window (see the constructor).
    TSpeedButton *SpeedButton7 = nullptr, *SpeedButton8 = nullptr, *SpeedButton9 = nullptr,
                 *SpeedButton10 = nullptr, *SpeedButton11 = nullptr, *SpeedButton12 = nullptr,
                 *SpeedButton18 = nullptr, *SpeedButton19 = nullptr, *SpeedButton20 = nullptr;

    // Left column.
    TGroupBox* GroupBox1 = nullptr; // "Map properties"
    TGroupBox* GroupBox2 = nullptr; // "Light", in the map properties
    TGroupBox* GroupBox3 = nullptr; // "start/exit", in the map properties
    TGroupBox* GroupBox4 = nullptr; // "Cell Properties"
    TGroupBox* GroupBox5 = nullptr; // "general"
    TGroupBox* GroupBox6 = nullptr; // "Event controls"
    TGroupBox* GroupBox7 = nullptr; // "cell decoration"
    TGroupBox* GroupBox8 = nullptr; // "Free sprite"
    // Bottom strip.
    TGroupBox* GroupBox9 = nullptr;  // "Script controls"
    TGroupBox* GroupBox10 = nullptr; // "cursor"
    TGroupBox* GroupBox11 = nullptr; // "Script text"
    TGroupBox* GroupBox12 = nullptr; // "cell meshes"
    TLabel* Label25 = nullptr;       // the hovered cell "x,y"
    TMemo* ScrMemo = nullptr;        // the script text
    TMemo* Memo1 = nullptr;          // hidden: the map name file's lines

    // The boxes by their number. Map properties: 23 map id, 26 27 width and height (highest index), 25 skybox,
    // 49 map name; light 35..37 attenuation, 38..40 colour; start/exit 9 10 start, 11 12 exit, 13 direction,
    // 14 (hidden) mapspare. General: 1 2 cursor, 43 44 second corner (read-only), 7 cell id, 5 power, 42 z shift,
    // 41 door face, 46 light group, 47 48 visibility areas. Event: 3 type, 4 par1, 6 par2. Decoration: 45 grass
    // density. Free sprite: 16..18 x y z, 19 20 w h, 21 22 direction. Cell meshes: 28..30 angles, 31..33 offset.
    // 15 and 34 are spare (hidden).
    TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr,
          *Edit6 = nullptr, *Edit7 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr,
          *Edit12 = nullptr, *Edit13 = nullptr, *Edit14 = nullptr, *Edit15 = nullptr, *Edit16 = nullptr,
          *Edit17 = nullptr, *Edit18 = nullptr, *Edit19 = nullptr, *Edit20 = nullptr, *Edit21 = nullptr,
          *Edit22 = nullptr, *Edit23 = nullptr, *Edit25 = nullptr, *Edit26 = nullptr, *Edit27 = nullptr,
          *Edit28 = nullptr, *Edit29 = nullptr, *Edit30 = nullptr, *Edit31 = nullptr, *Edit32 = nullptr,
          *Edit33 = nullptr, *Edit34 = nullptr, *Edit35 = nullptr, *Edit36 = nullptr, *Edit37 = nullptr,
          *Edit38 = nullptr, *Edit39 = nullptr, *Edit40 = nullptr, *Edit41 = nullptr, *Edit42 = nullptr,
          *Edit43 = nullptr, *Edit44 = nullptr, *Edit45 = nullptr, *Edit46 = nullptr, *Edit47 = nullptr,
          *Edit48 = nullptr, *Edit49 = nullptr;
    // Lists that take typing: the cell sprite (8) and the mesh name (24).
    TComboBox *Edit8 = nullptr, *Edit24 = nullptr;
    // 1 free-sprite slot, 2 free-sprite name, 3 event type, 4 level environment, 5 6 7 wall, floor, ceiling
    // overrides, 8 (hidden) mesh type, 9 grass sprite, 10 map name language.
    TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr,
              *ComboBox5 = nullptr, *ComboBox6 = nullptr, *ComboBox7 = nullptr, *ComboBox8 = nullptr,
              *ComboBox9 = nullptr, *ComboBox10 = nullptr;
    // 1 wall, 2 passable, 3 door, 4 event, 5 chest, 6 floor, 7 ceiling, 8 sprite enabled, 9 sprite fixed
    // direction, 11 search script, 12 outdoors, 14..17 blocks -y +y -x +x, 18 forcewallmesh, 19 grass,
    // 20 shcast, 22 ign; 10, 13, 21 are the toolbar's.
    TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr, *CheckBox4 = nullptr,
              *CheckBox5 = nullptr, *CheckBox6 = nullptr, *CheckBox7 = nullptr, *CheckBox8 = nullptr,
              *CheckBox9 = nullptr, *CheckBox11 = nullptr, *CheckBox12 = nullptr, *CheckBox14 = nullptr,
              *CheckBox15 = nullptr, *CheckBox16 = nullptr, *CheckBox17 = nullptr, *CheckBox18 = nullptr,
              *CheckBox19 = nullptr, *CheckBox20 = nullptr, *CheckBox22 = nullptr;
    // Map properties: 28 "set", 19 "read", 20 "dir" (map id); light 29 "d", 30 "s", 31 "read"; start/exit 4 "set",
    // 5 "read", 11 "lookside", 37 "s" (start), 38 "s" (exit). General: 18 "j". Event: 15 ">", 16 "l", 17 "s".
    // Cell meshes: 26 "ok", 25 "default" (angles), 27 "default" (offset), 34 "fo", 35 "^", 39 "void".
    // Free sprite: 7 "set", 1 "<", 2 ">", 3 "^", 6 "v" (position nudges), 8 "^", 9 "v", 10 "<", 12 ">"
    // (direction), 13 "df", 14 "cln prev", 21 "act. cell c.". Map-wide: 22 "Auto", 23 "no f/c",
    // 24 "auto floor/ceil", 32 "clr empt.".
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr,
            *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr, *Button9 = nullptr, *Button10 = nullptr,
            *Button11 = nullptr, *Button12 = nullptr, *Button13 = nullptr, *Button14 = nullptr,
            *Button15 = nullptr, *Button16 = nullptr, *Button17 = nullptr, *Button18 = nullptr,
            *Button19 = nullptr, *Button20 = nullptr, *Button21 = nullptr, *Button22 = nullptr,
            *Button23 = nullptr, *Button24 = nullptr, *Button25 = nullptr, *Button26 = nullptr,
            *Button27 = nullptr, *Button28 = nullptr, *Button29 = nullptr, *Button30 = nullptr,
            *Button31 = nullptr, *Button32 = nullptr, *Button34 = nullptr, *Button35 = nullptr,
            *Button37 = nullptr, *Button38 = nullptr, *Button39 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;  // "load" (cell script)
    TSpeedButton* SpeedButton2 = nullptr;  // "save" (cell script)
    TSpeedButton* SpeedButton13 = nullptr; // "a" (door face)

    // Menus.
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem *FileMenu = nullptr, *New1 = nullptr, *Save1 = nullptr, *Open1 = nullptr,
              *Exportmonsterdatabase1 = nullptr, *Exportcarddatabase1 = nullptr, *ExportMapImage1 = nullptr;
    TMenuItem *EditMenu = nullptr, *Copy1 = nullptr, *Paste1 = nullptr, *BufferedCellData1 = nullptr,
              *Select1 = nullptr, *Wall1 = nullptr, *Door1 = nullptr, *Chest1 = nullptr, *Light1 = nullptr,
              *Clear1 = nullptr, *Makeselectioncastshadows1 = nullptr, *Removeshadowcasting1 = nullptr;
    TMenuItem *MapMenu = nullptr, *Build1 = nullptr, *Random1 = nullptr, *AutoGetDoorAngles1 = nullptr,
              *ToggleEditView1 = nullptr;
    // Entries that show the other editors, each made by the unit of its window (see the constructor).
    TMenuItem *EditorsMenu = nullptr, *Variableeditor1 = nullptr, *Texteditor1 = nullptr, *Itemeditor1 = nullptr,
              *Cardeditor1 = nullptr, *Charactereditor1 = nullptr, *PerkEditor1 = nullptr,
              *MonsterListEditor1 = nullptr, *Freemesheditor1 = nullptr, *LightSourceEditor1 = nullptr,
              *Debugandgameplaymenu1 = nullptr;
    TMenuItem *HelpMenu = nullptr, *Scriptingreference1 = nullptr;

private:
    // The entry of the Editors menu and the toolbar button that show another editor window: window() gives the
    // window when it is clicked (the windows are made after this one), and nothing shows while it has none.
    void AddEditorEntry(TMenuItem*& item, const std::string& menuCaption, TSpeedButton*& button,
                        const std::string& buttonCaption, TForm* (*window)());
    // Sets edtool and shows its button down (the other tools' up).
    void ChooseTool(int32_t tool);

    // The flipped copy of edmapbmp the view is composed from, kept between ticks.
    std::unique_ptr<TBitmap> FFlipped;
    // Where the next button that shows another editor goes on the toolbar's second row.
    int32_t FEditorButtonsLeft = 4;
    // The cursor cell, which the panels' boxes write; none while they are being filled from it, or outside the
    // table.
    lcell* EditedCell() const;
    // The cursor cell's boxes, or the map name box, are being filled from what they show: their handlers write
    // nothing back.
    bool FShowingValues = false;
};

extern TForm2* Form2;
