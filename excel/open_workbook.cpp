#include "open_workbook.h"

namespace excel {

std::unique_ptr<Application> OpenWorkbook(ApplicationFactory& factory, const std::string& path) {
    auto application = factory.create();
    application->workbooks()->open(path);
    return application;
}

}  // namespace excel
