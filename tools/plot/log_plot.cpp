// The plot's output. PLplot draws in a child process: it ends its process on
// its own errors and keeps global state between plots. The child writes the picture into
// a pipe; the parent copies it into a temporary file beside the target
// (files::AtomicFile), checks every write, and renames it into place only when
// the child finished well, so a full disk or a failed plot leaves no partial file.
#include "tools/plot/log_plot.h"

#include <fcntl.h>
#include <plplot.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/output_files.h"
#include "tools/plot/plot_draw.h"

namespace vorlat::flightlog {

namespace {

namespace files = vorlat::files;

constexpr std::size_t PIPE_BLOCK = 1 << 16;

// The child: draws the figure into the pipe and ends without the parent's clean-up.
[[noreturn]] void drawInChild(int pipeOut, const char* device, const std::vector<PlottedFlight>& flights,
                              const PlotRequest& request) {
    int status = 1;
    try {
        std::FILE* stream = ::fdopen(pipeOut, "wb");
        if (stream != nullptr) {
            PLINT plStream = 0;
            plmkstrm(&plStream);
            plsdev(device);
            plsfile(stream);  // PLplot closes it at plend1: the parent then sees the end
            const int height = request.size.height > 0 ? request.size.height : figureHeight(request, flights.size());
            plspage(0, 0, request.size.width, height, 0, 0);
            definePlotPens();
            plinit();
            drawFigure(flights, request, request.size.width, height);
            plend1();
            status = 0;
        }
    } catch (...) {
        status = 1;
    }
    ::_exit(status);
}

// Copies the child's picture into `out` until the child closes the pipe.
// Returns 0, or the errno of the first failed write (the pipe is then closed
// early, which ends the child).
int copyPicture(int pipeIn, std::FILE* out) {
    std::array<char, PIPE_BLOCK> block{};
    while (true) {
        const ssize_t got = ::read(pipeIn, block.data(), block.size());
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        const auto size = static_cast<std::size_t>(got);
        errno = 0;
        if (std::fwrite(block.data(), 1, size, out) != size) return errno != 0 ? errno : EIO;
    }
}

int waitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

FlightSeries seriesFor(const PlotRequest& request) {
    return FlightSeries(plottedColumns(planPanels(request.columns)), request.tickRate);
}

const char* plotDevice(const std::string& output) {
    const std::string extension = std::filesystem::path(output).extension().string();
    if (extension == ".png") return "pngcairo";
    if (extension == ".svg") return "svg";
    if (extension == ".pdf") return "pdfcairo";
    throw PlotError(output + ": unknown output type; the name must end in .png, .svg or .pdf", true);
}

void plotFlights(const std::vector<PlottedFlight>& flights, const PlotRequest& request, const std::string& output,
                 std::string_view shownName) {
    const std::string shown = shownName.empty() ? output : std::string(shownName);
    const char* device = plotDevice(output);
    if (flights.empty()) throw PlotError(shown + ": no flight to plot", true);
    files::AtomicFile file(output, shown);
    std::FILE* out = file.stream();
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw PlotError(shown + ": cannot start the plotter: " + std::strerror(errno), false);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        drawInChild(pipeEnds[1], device, flights, request);
    }
    ::close(pipeEnds[1]);
    if (child < 0) {
        const int problem = errno;
        ::close(pipeEnds[0]);
        throw PlotError(shown + ": cannot start the plotter: " + std::strerror(problem), false);
    }
    const int writeError = copyPicture(pipeEnds[0], out);
    ::close(pipeEnds[0]);
    const int status = waitFor(child);
    if (writeError != 0) throw files::OutputError(shown + ": cannot write (" + std::strerror(writeError) + ")");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw PlotError(shown + ": the plotter failed", false);
    file.commit();
}

void plotLog(const FlightLog& log, const std::string& output, double tickRate, PlotSize size) {
    const PlotRequest request{.columns = {}, .title = {}, .range = {}, .tickRate = tickRate, .size = size};
    FlightSeries series = seriesFor(request);
    log.feed(series);
    const std::string label = std::filesystem::path(log.file).filename().string();
    plotFlights({{.label = label, .info = log.info(), .series = &series}}, request, output);
}

}  // namespace vorlat::flightlog
