// The viewer program: every eBook is this program followed by its blocks.
#include "GtkBinding.h"
#include "Housekeeping.h"
#include "OwnBook.h"
#include "PageScheme.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebKitInstall.h"

#include <iostream>

int main(int argc, char** argv) {
    if (const auto exit = SimExe::HousekeepingBeforeStart(argc, argv)) return *exit;
    std::shared_ptr<book::Book> book = viewer::PrepareOwnBook();
    toolkit::TApplication& app = toolkit::Application();
    app.Title = "Zorbin eBook";
    if (!toolkit::gtk::Initialize(argc, argv)) {
        std::cerr << argv[0] << ": cannot open a display; this eBook needs a graphical desktop session\n";
        return 1;
    }
    viewer::webkit::Install();
    viewer::TForm2 about;
    viewer::TForm1 form(about, std::move(book));
    app.SetMainForm(&form);
    app.Dispatch([&] { form.FormCreate(); });
    app.Run();
    form.FormDestroy();
    // Pages still being read for the web view end before the program does.
    viewer::webkit::FinishPageWork(2000);
    return 0;
}
