// `vorlat log plot LOG... -o OUT`: reads each flight once into its reduced
// series, then draws them together. Bad names and types are refused before
// any log is read; the output is checked against every input first. A build
// without PLplot (Windows) keeps the command, which says where the charts are.
#include "program/plot_command.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/command_error.h"
#include "common/output_files.h"
#include "program/command_options.h"
#ifndef VORLAT_WITHOUT_PLOT
#include "tools/plot/log_plot.h"
#endif

namespace vorlat::flightlog {

namespace {

namespace files = vorlat::files;

struct PlotOptions {
    FlightInputs inputs;
    std::string output;
    std::optional<std::string> title;
    std::vector<std::string> columns;
};

#ifndef VORLAT_WITHOUT_PLOT
constexpr char BUILD_NOTE[] = "";

void plot(const PlotOptions& options) {
    const FlightInputs& inputs = options.inputs;
    const PlotRequest request{.columns = parsePlotColumns(options.columns),
                              .title = options.title,
                              .range = inputs.range(),
                              .tickRate = inputs.tickRate,
                              .size = {}};
    plotDevice(options.output);
    const std::vector<std::string> labels = inputs.names();
    files::FilePlan plan = inputs.filePlan();
    plan.output(options.output, "-o");
    plan.check();

    std::vector<std::unique_ptr<FlightSeries>> series;
    std::vector<PlottedFlight> flights;
    for (std::size_t i = 0; i < inputs.files.size(); ++i) {
        series.push_back(std::make_unique<FlightSeries>(seriesFor(request)));
        LogInfo info =
            readFlight(inputs.files[i], inputs, {series.back().get()}, DamageReport::UnlessSeveralRecordings);
        requireOneRecording(inputs, info.file, info.recordings);
        flights.push_back({.label = labels[i], .info = std::move(info), .series = series.back().get()});
    }
    plotFlights(flights, request, options.output);
}
#else
constexpr char BUILD_NOTE[] = " (not in this build: see vorlat log report)";

void plot(const PlotOptions&) {
    throw CommandError(
        "plotting is not in this build (it has no PLplot); \"vorlat log report LOG -o OUT.html\" "
        "draws the same charts in a web page",
        EXIT_FAILED);
}
#endif

}  // namespace

void addPlotCommand(CLI::App* log) {
    auto options = std::make_shared<PlotOptions>();
    CLI::App* command = log->add_subcommand(
        "plot", std::string("Stacked time-series plots (PNG, SVG or PDF); several logs are overlaid, each in its own "
                            "colour") +
                    BUILD_NOTE);
    addFlightInputs(command, options->inputs, true);
    command->add_option("-o,--output", options->output, "OUT.png, OUT.svg or OUT.pdf")->required();
    command->add_option("--title", options->title,
                        "The plot's title (default: the log's file name and how it ended, or the flights' names)");
    command
        ->add_option("--columns", options->columns,
                     "The columns to draw, by header or CSV name: TAS,alt,hdng,... (default: five panels of "
                     "airspeeds, altitude and climb, attitude, g load, engine)")
        ->delimiter(',')
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->callback([options, command] { runLogCommand(*command, [&] { plot(*options); }); });
}

}  // namespace vorlat::flightlog
