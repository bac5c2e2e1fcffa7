#include "app/Application.h"

#include "app/TForm5.h"
#include "dialogs/TForm3.h"
#include "dialogs/TForm4.h"
#include "dialogs/TForm6.h"
#include "dialogs/TForm7.h"

namespace kelvan::app {

Application::Application(widgets::Prompter& prompter, link::LinkObserver* trace) {
    // Created in the body rather than the initialiser list: a handler that runs while one
    // window is being created then finds the later ones null instead of members that are not
    // constructed yet.
    Form1 = std::make_unique<TForm1>(*this, prompter);
    Form1->link().setObserver(trace);
    Form3 = std::make_unique<dialogs::TForm3>(*Form1, nullptr);
    Form4 = std::make_unique<dialogs::TForm4>();
    Form5 = std::make_unique<TForm5>();
    Form6 = std::make_unique<dialogs::TForm6>();
    Form7 = std::make_unique<dialogs::TForm7>();

    // The bit dialogs' "Записать" queues its writes on the link.
    session::ProgrammerSession& session = Form1->session();
    const auto write = [&session](link::BitKind kind, const std::vector<bool>& states) {
        session.writeBits(kind, states);
    };
    Form4->write = write;
    Form6->write = write;
    Form5->cancel = [this] { Form1->cancelOperation(); };
    Form3->showStartupErrors();
}

Application::~Application() {
    destroyForm3();
}

void Application::destroyForm3() {
    Form3.reset();
}

dialogs::BitDialog* Application::bitDialog(link::BitKind dialog) {
    if (dialog == link::BitKind::Lock) {
        return Form4.get();
    }
    return Form6.get();
}

}  // namespace kelvan::app
