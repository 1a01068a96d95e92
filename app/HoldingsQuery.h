#pragma once

namespace db {
class Query;
class DataSet;
} // namespace db

// The holdings statement of the budget users' accounts for one date (parameter
// "dan"), its fields with their grid titles, widths and formats, and the calculated
// MIC the report uses. The main window and the batch mode define their query with it.
void defineHoldingsQuery(db::Query& query);

// Per-row calculation of mic_xml: the foreign custody MIC, else the quotation MIC,
// else null.
void calculateMicXml(db::DataSet& holdings);
