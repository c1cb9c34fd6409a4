// Development tool: shows the compiler's wizard window on the current
// display and photographs each of its pages with ImageMagick's `import`,
// to look at the window as a user sees it, optionally with a folder of pages
// already chosen as the project. scripts/screenshots.sh runs it under Xvfb.
#include "GtkBinding.h"
#include "SimExe.h"
#include "compilerUnit1.h"

#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::cerr << "usage: window_tour OUTPUT-FOLDER [PROJECT-FOLDER TITLE]\n";
        return 2;
    }
    const std::string folder = argv[1];
    toolkit::Application().Title = "Zorbin eBook Compiler";
    if (!toolkit::gtk::Initialize(argc, argv)) {
        std::cerr << "window_tour: no display\n";
        return 1;
    }
    compiler::TForm1 form;
    form.FormCreate();
    if (argc == 4) {
        // As an author would fill it in: the folder, its first page, a title.
        form.vproject_dir->SetText(argv[2]);
        form.search_files();
        form.vProject_homepage->SetText("index.html");
        form.vproject_title->SetText(argv[3]);
    }
    form.Show();
    int status = 0;
    const auto pages = form.PageControl1->Pages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        form.PageControl1->SetActivePageIndex(static_cast<int>(i));
        SimExe::Delay(400);
        std::string name = pages[i]->Caption();
        for (char& c : name)
            if (c == ' ') c = '-';
        const std::string file = folder + "/compiler-" + std::to_string(i) + "-" + name + ".png";
        if (std::system(("import -window root '" + file + "'").c_str()) != 0) status = 1;
    }
    return status;
}
