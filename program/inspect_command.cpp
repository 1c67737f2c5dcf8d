// vorlat inspect: load the module, run setup, start, one panel update and
// final, and print the element tree as the host reads it.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "common/output_files.h"
#include "host/fly/transcript.h"
#include "host/gauge_facts.h"
#include "host/host.h"
#include "host/render/panel_renderer.h"
#include "program/command_run.h"
#include "program/commands.h"

namespace vorlat::cli {

namespace {

using gauge::ICON_IMAGE_STRIDE;

const char* kindName(int kind) {
    switch (kind) {
        case gauge::IMAGE_KIND: return "image";
        case gauge::TEXT_KIND: return "text";
        case gauge::ICON_KIND: return "icon";
        default: return "unknown";
    }
}

std::string hex(std::uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
    return buffer;
}

std::string position(const ElementView& element) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "x=%3d y=%3d", element.x, element.y);
    return buffer;
}

void printBackground(std::ostream& out, const Host& host, const ElementView& element) {
    const Bitmap image = host.bitmap(element.resourceId);
    out << kindName(element.kind) << "  background  " << position(element) << "  bitmap " << element.resourceId << " ("
        << image.width << "x" << image.height << ", " << image.bitsPerPixel << " bpp)  drawFlags " << element.drawFlags
        << "  children " << host.childCount() << '\n';
}

void printChild(std::ostream& out, const Host& host, const ElementView& element) {
    char head[64];
    std::snprintf(head, sizeof head, "  %2zu %-5s %-12s ", element.child, kindName(element.kind),
                  elementLabel(element).c_str());
    out << head << position(element);
    if (element.kind == gauge::ICON_KIND) {
        const Bitmap image = host.bitmap(element.resourceId);
        out << "  " << image.width << "x" << image.height << "  bitmaps";
        for (std::uint32_t i = 0; i < element.imageCount; ++i)
            out << ' ' << element.resourceId + ICON_IMAGE_STRIDE * static_cast<int>(i);
        out << "  var " << element.variableIds[0] << "  shows ";
        if (element.shownImage < 0) out << "no image";
        else
            out << "image " << element.shownImage << " (bitmap "
                << element.resourceId + ICON_IMAGE_STRIDE * element.shownImage << ")";
    } else if (element.kind == gauge::TEXT_KIND) {
        out << "  " << element.width << "x" << element.height << "  vars";
        for (std::uint32_t id : element.variableIds)
            if (id != 0) out << ' ' << id;
        if (element.variableIds[0] == 0) out << " none";
        const render::ResolvedFont font = render::resolveFont(element.fontName, element.fontWeight);
        out << "  text \"" << element.text << "\"  colour " << hex(element.foreColour, 6) << ' '
            << colourName(element.foreColour) << "  font \"" << element.fontName << "\" " << element.fontWeight << " ("
            << font.family << ")  flags " << hex(element.textFlags, 2) << "  chars " << element.charCount;
    }
    out << '\n';
}

void printTree(const std::string& modulePath) {
    const std::string path = modulePath.empty() ? defaultModulePath() : modulePath;
    Host host(HostOptions{.modulePath = std::filesystem::absolute(path).string(),
                          .privateCopy = true,
                          .resourceScript = {},
                          .logFolder = {}});
    host.setup();
    host.start();
    host.update();
    host.final();
    std::ostringstream tree;
    printBackground(tree, host, host.background());
    for (const ElementView& element : host.children()) printChild(tree, host, element);
    host.unload();
    vorlat::files::writeStandardOutput(tree.str());
}

}  // namespace

void addInspectCommand(CLI::App& app) {
    auto modulePath = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "inspect", "Load the module, run setup, start, one panel update and final, and print the element tree");
    command->add_option("--module", *modulePath, "The gauge module to load (default: this build's module)");
    // A module file that is missing or not a loadable gauge is bad input (LoadError).
    command->callback([modulePath, command] { runGuarded(*command, [&] { printTree(*modulePath); }); });
}

}  // namespace vorlat::cli
