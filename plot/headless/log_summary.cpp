#include "log_summary.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/series/statistics_text.h"
#include "plot/series/time_axis.h"

namespace vemtora::plot {

namespace {

struct Field {
    std::string key;     // as a "key: value" line
    std::string value;   // with its unit
    std::string column;  // as a CSV column, its unit in its name
    std::string cell;    // as a CSV cell, a bare number
};

std::string sampleStamp(const LoadedLog& log, std::size_t i) {
    return stampLabel(log.store.clockOf(i), log.reader.dated(), log.store.segmentOf(i).utcOffsetMinutes);
}

std::string averageCell(const Statistics& s) {
    const double watts = s.averageWatts();
    return std::isfinite(watts) ? fixedText(watts, decimalsOf(Quantity::Watts)) : std::string();
}

std::string kilowattHours(const Statistics& s) { return fixedText(s.energyWh / 1000.0, 6); }

std::vector<Field> summaryFields(const LoadedLog& log, std::span<const SampleSpan> runs,
                                 const SummaryRequest& request) {
    const Statistics s = statisticsOf(log.store, runs);
    const auto count = [](std::uint64_t n) { return std::to_string(n); };
    std::vector<Field> fields = {
        {"start", sampleStamp(log, runs.front().begin), "start", sampleStamp(log, runs.front().begin)},
        {"end", sampleStamp(log, runs.back().end - 1), "end", sampleStamp(log, runs.back().end - 1)},
        {"duration", durationText(s.coveredTenths), "covered_s",
         fixedText(static_cast<double>(s.coveredTenths) / 10.0, 1)},
        {"samples", count(s.samples), "samples", count(s.samples)},
        {"gaps", count(s.gaps), "gaps", count(s.gaps)},
    };
    const std::uint64_t skipped = request.wholeLog ? log.reader.skippedLines() : s.skippedLines;
    const std::uint64_t steps = request.wholeLog ? log.store.clockSteps().size() : s.clockSteps;
    fields.push_back({"skipped lines", count(skipped), "skipped_lines", count(skipped)});
    fields.push_back({"clock steps", count(steps), "clock_steps", count(steps)});
    for (Quantity quantity : kQuantities) {
        const QuantityStatistics& q = s.of(quantity);
        const std::string name = nameOf(quantity);
        const struct {
            const char* which;
            double value;
        } values[] = {{"min", q.min}, {"mean", q.mean}, {"max", q.max}};
        for (const auto& [which, value] : values) {
            const std::string cell = q.count > 0 ? fixedText(value, decimalsOf(quantity)) : std::string();
            fields.push_back(
                {name + " " + which, q.count > 0 ? cell + " " + unitOf(quantity) : "none", name + "_" + which, cell});
        }
    }
    fields.push_back({"energy", energyText(s.energyWh), "energy_kwh", kilowattHours(s)});
    fields.push_back({"average power", averagePowerText(s), "average_w", averageCell(s)});
    if (request.price) {
        const double cost = s.energyWh / 1000.0 * *request.price;
        fields.push_back({"cost", fixedText(cost, 2), "cost", fixedText(cost, 4)});
    }
    return fields;
}

// Columns right-aligned under their headings, the first left-aligned.
std::string alignedTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - row[c].size(), ' ');
            text += c == 0 ? row[c] + pad : "  " + pad + row[c];
        }
        text += '\n';
    }
    return text;
}

std::string joined(const std::vector<std::string>& cells) {
    std::string line;
    for (const std::string& cell : cells) line += (line.empty() ? "" : ",") + cell;
    return line + "\n";
}

std::string periodTable(const LoadedLog& log, std::span<const SampleSpan> runs, const SummaryRequest& request) {
    const std::vector<PeriodRow> periods = periodRows(log.store, runs, *request.by, log.reader.dated());
    std::vector<std::vector<std::string>> rows;
    rows.push_back(request.csv
                       ? std::vector<std::string>{"start", "samples", "covered_s", "average_w", "energy_kwh"}
                       : std::vector<std::string>{"start", "samples", "time covered", "average W", "energy kWh"});
    if (request.price) rows.front().push_back("cost");
    for (const PeriodRow& period : periods) {
        const Statistics& s = period.statistics;
        std::vector<std::string> row = {periodLabel(period, *request.by, log.reader.dated()),
                                        std::to_string(s.samples)};
        row.push_back(request.csv ? fixedText(static_cast<double>(s.coveredTenths) / 10.0, 1)
                                  : durationText(s.coveredTenths));
        row.push_back(averageCell(s));
        row.push_back(request.csv ? kilowattHours(s) : fixedText(s.energyWh / 1000.0, 3));
        if (request.price) row.push_back(fixedText(s.energyWh / 1000.0 * *request.price, request.csv ? 4 : 2));
        rows.push_back(std::move(row));
    }
    if (!request.csv) return alignedTable(rows);
    std::string text;
    for (const auto& row : rows) text += joined(row);
    return text;
}

}  // namespace

std::string summaryText(const LoadedLog& log, std::span<const SampleSpan> runs, const SummaryRequest& request) {
    if (request.by) return periodTable(log, runs, request);
    const std::vector<Field> fields = summaryFields(log, runs, request);
    std::string text;
    if (request.csv) {
        std::vector<std::string> columns, cells;
        for (const Field& field : fields) {
            columns.push_back(field.column);
            cells.push_back(field.cell);
        }
        return joined(columns) + joined(cells);
    }
    for (const Field& field : fields) text += field.key + ": " + field.value + "\n";
    return text;
}

}  // namespace vemtora::plot
