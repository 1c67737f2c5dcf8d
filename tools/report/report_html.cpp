// The page's text that needs no script: the flights' headline, the summary
// table, the events list (each a button the script makes move the cursor)
// and what the panel pictures are; then the whole page from the template.
#include <sstream>

#include "tools/log/log_damage.h"
#include "tools/log/number_text.h"
#include "tools/log/plot_panels.h"
#include "tools/log/summary_text.h"
#include "tools/report/report_page.h"
#include "tools/report/web_assets.h"
#include "tools/report/web_text.h"

namespace vorlat::report {

namespace {

using namespace flightlog;
using web::htmlEscape;

std::string seconds(double value) { return summary_text::seconds(value); }

std::string flightLine(const ReportFlight& flight, std::size_t position) {
    const Summary& s = flight.summary;
    const std::string swatch =
        "<span class=\"swatch\" style=\"background:" + colourHex(flightColour(position)) + "\"></span>";
    const std::string damage = damageHeadline(s.damage);
    std::string line = "<li>" + swatch + "<strong>" + htmlEscape(flight.label) + "</strong> " +
                       "<span class=\"ending\">" + htmlEscape(endingName(s.ending)) + "</span> · " + "<span class=\"" +
                       (damage.empty() ? "sound\">log file intact" : "damaged\">log file damaged: " + htmlEscape(damage)) +
                       "</span> · " + summary_text::count(s.rows) + summary_text::plural(s.rows, " row", " rows") +
                       ", " + summary_text::count(s.pauses) + summary_text::plural(s.pauses, " pause", " pauses") +
                       " · " + seconds(s.startTime) + " to " + seconds(s.endTime) + " (" + seconds(s.duration) + ")";
    if (s.range.limited()) line += " · rows " + htmlEscape(rangeText(s.range));
    return line + "</li>\n";
}

// The summary's own table (as `vorlat log summary` prints it) without its events, which the list shows.
std::string summaryText(const std::vector<ReportFlight>& flights) {
    std::ostringstream out;
    std::vector<Summary> summaries;
    for (const ReportFlight& flight : flights) summaries.push_back(flight.summary);
    if (summaries.size() == 1) writeSummaryTable(out, summaries[0], SummaryEvents::Omitted);
    else writeSummariesTable(out, summaries, SummaryEvents::Omitted);
    return out.str();
}

// The kinds of event, as the list's filter names them, in the order it offers them.
struct EventKindName {
    EventKind kind;
    const char* words;
};
constexpr EventKindName EVENT_KIND_NAMES[] = {
    {.kind = EventKind::RecordingStart, .words = "recording start"},
    {.kind = EventKind::RecordingEnd, .words = "recording end"},
    {.kind = EventKind::Pause, .words = "pauses"},
    {.kind = EventKind::Stall, .words = "stalls"},
    {.kind = EventKind::BandEnter, .words = "band entries"},
    {.kind = EventKind::BandExit, .words = "band exits"},
    {.kind = EventKind::Extreme, .words = "extremes"},
};

// A checkbox per kind of event the list holds, with how many there are: unticked hides them.
std::string eventFilterHtml(const std::vector<ReportFlight>& flights) {
    std::string html;
    for (const EventKindName& name : EVENT_KIND_NAMES) {
        std::size_t count = 0;
        for (const ReportFlight& flight : flights)
            for (const Event& event : flight.summary.events.events) count += event.kind == name.kind;
        if (count == 0) continue;
        html += "<label><input type=\"checkbox\" class=\"event-kind\" data-kind=\"" +
                std::string(eventKeyword(name.kind)) + "\" checked> " + name.words + " <span class=\"count\">" +
                summary_text::count(count) + "</span></label>\n";
    }
    return html.empty() ? html : "<fieldset id=\"event-kinds\"><legend>Show</legend>\n" + html + "</fieldset>\n";
}

// The event with its times taken from `offset` on, as the charts show them.
Event shifted(Event event, double offset) {
    event.time -= offset;
    if (event.to) *event.to -= offset;
    if (event.peakTime) *event.peakTime -= offset;
    return event;
}

// Each event's times are on the charts' time base: beside others, since its recording's start.
std::string eventsHtml(const std::vector<ReportFlight>& flights) {
    std::string html = eventFilterHtml(flights);
    for (std::size_t f = 0; f < flights.size(); ++f) {
        const ReportFlight& flight = flights[f];
        if (flights.size() > 1) html += "<h3>" + htmlEscape(flight.label) + "</h3>\n";
        html += "<ol class=\"events\">\n";
        for (const Event& logged : flight.summary.events.events) {
            const Event event = shifted(logged, flight.offset);
            html += "<li data-kind=\"" + std::string(eventKeyword(event.kind)) +
                    "\"><button type=\"button\" class=\"event\" data-flight=\"" + std::to_string(f) + "\" data-t=\"" +
                    numberText(event.time, -1) + "\">" + seconds(event.time) + "</button> " +
                    htmlEscape(summary_text::eventText(event)) + "</li>\n";
        }
        html += "</ol>\n";
        if (flight.summary.events.notListed != 0)
            html += "<p class=\"note\">" + summary_text::count(flight.summary.events.notListed) +
                    " more events not listed (a log keeps at most " + summary_text::count(MAX_EVENTS) + ").</p>\n";
    }
    return html;
}

std::string framesNote(const ReportContent& content) {
    std::size_t cursor = 0, events = 0, short_ = 0;
    for (const Frame& frame : content.frames) {
        (frame.event ? events : cursor) += 1;
        if (!frame.indexShown) ++short_;
    }
    const double step =
        content.plan.cursorTimes.size() > 1 ? content.plan.cursorTimes[1] - content.plan.cursorTimes[0] : 0;
    std::string note = "The panel of " + htmlEscape(content.flights[0].label) +
                       " replayed: the logged values fed back through the module, which draws them; the boxes whose "
                       "inputs the log does not hold are hatched, not drawn from made-up inputs: " +
                       summary_text::count(cursor) + " small pictures";
    if (step > 0) note += " about every " + seconds(step);
    note += " and " + summary_text::count(events) +
            " at full size at event times; the last one at or before the cursor's time is shown.";
    if (content.plan.distinctEventTimes > content.plan.eventTimes.size())
        note += " The events fall at " + summary_text::count(content.plan.distinctEventTimes) +
                " different times: full-size pictures were made at " +
                summary_text::count(content.plan.eventTimes.size()) +
                " of them, spread evenly, to keep the page small.";
    if (short_ != 0)
        note += " In " + summary_text::count(short_) +
                " pictures the row-index box shows another count than the row's index: the replay drives the "
                "module's sample counter up from 0, at most " +
                summary_text::count(MAX_FAST_CATCH_UP) + " samples for a row.";
    return note;
}

}  // namespace

std::string reportHtml(const ReportContent& content) {
    std::string flights;
    for (std::size_t f = 0; f < content.flights.size(); ++f) flights += flightLine(content.flights[f], f);
    std::size_t eventCount = 0;
    for (const ReportFlight& flight : content.flights) eventCount += flight.summary.events.events.size();
    return fillTemplate(
        web::reportTemplate(),
        {{"TITLE", htmlEscape(content.title)},
         {"UPLOT_STYLE", std::string(web::uplotStyle())},
         {"REPORT_STYLE", std::string(web::reportStyle())},
         {"FLIGHTS", flights},
         {"TIME_NOTE", content.flights.size() > 1 ? " The charts and the events time each flight from its "
                                                    "recording's start (its first row is at 0 s)."
                                                  : ""},
         {"FRAMES_NOTE", framesNote(content)},
         {"EVENT_COUNT", summary_text::count(eventCount)},
         {"EVENTS", eventsHtml(content.flights)},
         {"SUMMARY", htmlEscape(summaryText(content.flights))},
         {"DATA", web::scriptSafeJson(pageDataJson(content))},
         {"UPLOT_VERSION", std::string(web::uplotVersion())},
         {"UPLOT_LICENSE", htmlEscape(web::uplotLicense())},
         {"REPORT_SCRIPT", std::string(web::reportScript())},
         {"UPLOT_SCRIPT", std::string(web::uplotScript())}});
}

}  // namespace vorlat::report
