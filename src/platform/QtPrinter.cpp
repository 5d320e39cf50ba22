#include "platform/Printer.h"

namespace zep {

namespace {
// Placeholder until the Qt printer lands: prints nothing.
class NoPrintService : public PrintService {
public:
    void print(const PrintJob &, QWidget *) override {}
    void preview(const PrintJob &, QWidget *) override {}
};
} // namespace

std::unique_ptr<PrintService> makeQtPrintService() {
    return std::make_unique<NoPrintService>();
}

} // namespace zep
