// The viewer's About box.
#include "Unit2.h"

#include "SimExe.h"
#include "Unit1.h"

namespace viewer {

TForm2::TForm2() : TForm(nullptr, "Form2", " About") {
    Resizable = false;
    Dialog = true;
    CentreOnScreen = false;
    CentreOnOwner = true;
    ClientWidth = 326;
    ClientHeight = 310;
    Padding = 8;

    Bevel1 = Add<TBevel>("Bevel1");
    aboutms = Add<TMemo>("aboutms");
    aboutms->SetBounds(8, 8, 313, 177);
    aboutms->Expand = true;
    aboutms->Border = false;
    aboutms->Centered = true;
    aboutms->SetReadOnly(true);
    aboutms->TabStop = false;
    aboutms->WantReturns = false;
    Bevel8 = Add<TBevel>("Bevel8");
    Label7 = Add<TLabel>("Label7", "Created with Zorbin eBook Compiler");
    Label7->Bold = true;
    Label7->FontColour = Colour::Highlight;
    Label7->CrossAlign = Align::Center;
    Label1 = Add<TLabel>("Label1", kMakerSite);
    Label1->IsLink = true;
    Label1->Underline = true;
    Label1->FontColour = Colour::HotTrack;
    Label1->HandCursor = true;
    Label1->CrossAlign = Align::Center;
    Label1->OnClick = [this](TObject& s) { Label1Click(s); };
    Label6 = Add<TLabel>("Label6", "Zorbin eBook Compiler is made by the Zorbin team.");
    Label6->CrossAlign = Align::Center;
    Button1 = Add<TButton>("Button1", "Close");
    Button1->SetBounds(139, 280, 57, 25);
    Button1->CrossAlign = Align::Center;
    Button1->OnClick = [this](TObject& s) { Button1Click(s); };
}

void TForm2::Button1Click(TObject&) { Close(); }

void TForm2::Label1Click(TObject&) { SimExe::RunProgram(kMakerEbookPage); }

}  // namespace viewer
