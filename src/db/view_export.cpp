// view_export.cpp - the converted view of a record: the engine converts the document in
// a binary field (with a text field's hits, when one is named) into an HTML file of the
// configured output directory, and the response is a frameset that shows that file.
// Invariant: the file's name is made of the request's time and process id only, and the
// frame's URL of the configured prefix and that name; nothing is written unless the
// export succeeded.

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "cgi/http_output.h"
#include "cgi/response.h"
#include "db/session_state.h"
#include "db/zolt.h"

namespace {

bool isOdd(int code) { return (code & 1) != 0; }

// The frame's URL prefix when no ZV_OUTPUT_URL is configured.
constexpr const char* kDefaultViewUrl = "/zoltview/";
constexpr const char* kTextConverter = "zvconverttohtml";
constexpr const char* kPageConverter = "zolttohtml";

// The output file's name: unique among the processes that run at one time, and made
// of nothing a request gives. The engine writes it under a temporary name and renames
// it, so the web server never serves half of it.
std::string outputFileName() {
    return "zv" + std::to_string(static_cast<unsigned long long>(std::time(nullptr))) + "_" +
           std::to_string(::getpid()) + ".html";
}

// Copies text into a fixed field of the export block, NUL-terminated.
template <std::size_t N>
void setText(char (&field)[N], std::string_view text) {
    std::size_t n = std::min(text.size(), N - 1);
    text.copy(field, n);
    field[n] = '\0';
}

// Runs one export with `converter` and `parameters`; the engine's code.
int exportWith(ZdbExportRequest block, const char* converter, const std::string& parameters) {
    setText(block.converter, converter);
    block.parameters = parameters.c_str();
    block.parametersSize = static_cast<int32_t>(parameters.size() + 1);
    return ZdbExport(&block);
}

}  // namespace

int Zolt::outputViewBlob(const char* binaryField, const char* textField, int part, const char* directory,
                          const char* viewUrl, const char* templateText) {
    const std::string name = outputFileName();
    const std::string dir = directory ? directory : "";
    const std::string converterTemplate = templateText ? templateText : "";
    int field = 0, type = 0, flags = 0;
    int code = ZdbCheckField(recordControl, binaryField ? binaryField : "", &field, &type, &flags);
    if (!isOdd(code)) return failWith(code, zolt_state::kViewField);
    ZdbCursor exportCursor = nullptr;  // the export's own; the engine frees it at the end
    if (part != 0) ZdbSetRecordPart(&exportCursor, recordControl, part);
    ZdbSetCursor(&exportCursor, recordControl, field, 0, 0);

    int size = 0;
    code = ZdbGetBlobSize(exportCursor, &size);
    if (!isOdd(code) || size < 0) return failWith(code, zolt_state::kViewSize);
    std::vector<char> content(static_cast<std::size_t>(size) + 10);
    int received = 0;
    code = ZdbGetBlobBlock(exportCursor, 1, size, content.data(), &received);
    if (!isOdd(code)) return failWith(code, zolt_state::kViewContent);

    ZdbExportRequest block{};
    block.cursor = exportCursor;
    setText(block.symbolName, "ZDBS_VIEWSHR");
    block.content = content.data();
    block.contentSize = std::clamp(received, 0, size);
    block.value4 = 4;

    code = 0;
    if (textField) {
        int textNumber = 0;
        // The name is checked before it goes into the parameter lines it could extend.
        code = ZdbCheckField(recordControl, textField, &textNumber, &type, &flags);
        if (!isOdd(code)) return failWith(code, zolt_state::kViewTextField);
        std::string parameters = "OUT=" + name + "\nDIRECTORY=" + dir + "\nTEXTFIELD=" + textField + "\n";
        if (!converterTemplate.empty()) parameters += "TEMPLATE=" + converterTemplate + "\n";
        parameters += "FORMAT=0\n";
        ZdbExportRequest withText = block;
        withText.recordControl = recordControl;
        code = exportWith(withText, kTextConverter, parameters);
    }
    if (!isOdd(code)) {  // no text field, or its export failed: the document alone
        std::string parameters = "File:=" + name + ",Dir:=" + dir;
        if (!converterTemplate.empty()) parameters += ",Template:=" + converterTemplate;
        code = exportWith(block, kPageConverter, parameters);
    }
    lastRc = code;
    if (!isOdd(code)) return failWith(code, zolt_state::kViewExport);

    std::string url = viewUrl && *viewUrl ? viewUrl : kDefaultViewUrl;
    url += name;
    StrBuf page("<HTML>\n<FRAMESET>\n<FRAME SRC=\"");
    appendHtmlEscaped(page, url);  // the configured prefix may hold any character
    page.append("\">\n</FRAMESET>\n</HTML>\n");
    printHtmlHeader();
    writeResponse(page.view());
    flushResponse();
    return 0;
}
