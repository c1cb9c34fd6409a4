// The viewer's About box: the eBook's details as the author entered them,
// under a credit line and the maker's link.
#pragma once

#include "Forms.h"

namespace viewer {

using namespace toolkit;

class TForm2 : public TForm {
public:
    TForm2();

    TBevel* Bevel1;
    TMemo* aboutms;
    TBevel* Bevel8;
    TLabel *Label7, *Label1, *Label6;
    TButton* Button1;

    void Button1Click(TObject& sender);
    void Label1Click(TObject& sender);
};

}  // namespace viewer
