// tarrow-cli render FILE --board N [--size WxH] [--all-tricks] [--number hex|dec] --out FILE.png
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include "app/app.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/output_checks.h"
#include "core/atomic_file.h"
#include "core/banner.h"
#include "picture/board_picture.h"

namespace tarrow::cli {
namespace {

constexpr int kMinWidth = 640, kMinHeight = 400, kMaxWidth = 7680, kMaxHeight = 4320;

// "1280x800" -> the size; the message names the text and the limits.
Result<QSize> ParseSize(const std::string& text) {
  const size_t x = text.find_first_of("xX");
  int width = 0, height = 0;
  const auto digits = [](const std::string& part) {
    return !part.empty() && part.size() <= 5 &&
           part.find_first_not_of("0123456789") == std::string::npos;
  };
  if (x != std::string::npos && digits(text.substr(0, x)) && digits(text.substr(x + 1))) {
    width = std::stoi(text.substr(0, x));
    height = std::stoi(text.substr(x + 1));
    if (width >= kMinWidth && width <= kMaxWidth && height >= kMinHeight && height <= kMaxHeight) {
      return QSize(width, height);
    }
  }
  return Status::Error("--size takes WIDTHxHEIGHT in pixels, from " + std::to_string(kMinWidth) +
                       "x" + std::to_string(kMinHeight) + " to " + std::to_string(kMaxWidth) + "x" +
                       std::to_string(kMaxHeight) + ", not \"" + text + "\"");
}

const OptionSpec kRenderOptions = {.values = {"--event", "--board", "--size", "--out", "--number"},
                                   .flags = {"--all-tricks", "--force"}};

int RunRender(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kRenderOptions);
  if (!args.ok()) return UsageError("render", args.message());
  if (args->positional.size() != 1) return UsageError("render", "give one set file");
  if (!args->Has("--board")) return UsageError("render", "--board N is needed (1 to 36)");
  const Result<int> board = IntegerOption(*args, "--board", 1, kBoardsPerSet);
  if (!board.ok()) return UsageError("render", board.message());
  const std::string out = args->Value("--out");
  if (out.empty()) return UsageError("render", "--out FILE.png is needed");
  QSize size(1280, 800);
  if (args->Has("--size")) {
    const Result<QSize> parsed = ParseSize(args->Value("--size"));
    if (!parsed.ok()) return UsageError("render", parsed.message());
    size = *parsed;
  }
  NumberMode numberMode = NumberMode::kHidden;
  if (args->Has("--number")) {
    const std::string mode = args->Value("--number");
    if (mode == "hex") {
      numberMode = NumberMode::kHex;
    } else if (mode == "dec") {
      numberMode = NumberMode::kDecimal;
    } else {
      return UsageError("render", "--number takes hex or dec, not \"" + mode + "\"");
    }
  }

  QueueExecutor executor;
  App app(executor, SettingsPath(), SettingsFileUse::kReadOnly);
  const Status loaded = OpenSetFile(app, args->positional[0], args->Value("--event"));
  if (!loaded.ok()) return Failure(loaded.message());
  const bool force = args->Has("--force");
  if (const int refused = Refused(app.CheckDocument(out, ".png", ForceWord(*args)), "--force")) {
    return refused;
  }

  // Fonts and painters need a Qt application; no display is needed for a
  // picture, so the offscreen platform serves unless the caller chose one.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char name[] = "tarrow-cli";
  char* qtArgv[] = {name, nullptr};
  const QGuiApplication application(qtArgc, qtArgv);

  BoardView view;
  view.set = &app.Set();
  view.board = *board;
  view.allTricks = args->Has("--all-tricks");
  view.numberMode = numberMode;
  QImage image = RenderBoardPicture(view, size);
  // The mark by which a later write knows the picture as this program's.
  image.setText("Software", QString::fromUtf8(kProgramBanner.data(), int(kProgramBanner.size())));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return Failure("cannot encode the picture as PNG");
  const OutputVerdict written =
      app.WriteDocument(out, std::string_view(png.constData(), size_t(png.size())), ".png", force);
  if (const int refused = RefusedOutputs(written, "--force")) return refused;
  return kExitOk;
}

}  // namespace

const Command kRenderCommand{
    "render", "draw a board as the deal viewer shows it, into a PNG file",
    "Usage: tarrow-cli render FILE --board N --out FILE.png [--size WxH]\n"
    "                         [--all-tricks] [--number hex|dec] [--force]\n\n"
    "Draws board N of a PBN set (or of a .dup, .bri, .bre or .ber file) as the\n"
    "deal viewer shows it: the four hands as playing cards on the green table,\n"
    "dealer, vulnerability, each seat's points and double-dummy results, and the\n"
    "board buttons on the left (the board drawn red, empty slots black).\n\n"
    "  --size WxH     picture size in pixels (default 1280x800)\n"
    "  --all-tricks   double-dummy results as tricks per strain; without it, the\n"
    "                 makeable contracts\n"
    "  --number MODE  also show the deal number, in hex or dec(imal)\n"
    "  --force        replace a file at FILE.png that this program did not\n"
    "                 write (a picture of this program is replaced without it)\n\n"
    "Example:\n  tarrow-cli render club.pbn --board 7 --size 1920x1080 --out board7.png\n",
    RunRender, kRenderOptions};

}  // namespace tarrow::cli
