#pragma once
// Saving a report document to a file, as rich text (RTF: fixed-pitch font, the colours, sizes
// and fonts of the lines kept) or as plain UTF-8 text. The save dialog itself is the GUI's.
#include "engine/report_document.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace vexa {

// What the GUI's save dialog shows.
inline constexpr const char* kGuardarReporteTitulo = "Guardar reporte en archivo";
inline constexpr const char* kGuardarReporteFiltro =
    "Formato de Texto Enriquecido|*.rtf|Formato de Texto|*.txt|Todos los archivos|*.*";
inline constexpr const char* kGuardarReporteExtension = "rtf";
inline constexpr const char* kGuardarReporteAbrir = "¿Desea abrir el reporte?";

enum class ReportFileFormat { RichText, PlainText };
// The dialog's filter entry (1-based) to the format: the second entry is plain text.
inline ReportFileFormat reportFormatForFilter(int filterIndex) {
    return filterIndex == 2 ? ReportFileFormat::PlainText : ReportFileFormat::RichText;
}

inline constexpr const char* kReportDefaultFont = "Courier New";
inline constexpr int kReportDefaultPointSize = 10;

// The lines joined by "\n", a final "\n" after the last.
std::string reportAsText(const ReportDocument& doc);
// An RTF document; lines without a font or size of their own take the defaults.
std::string reportAsRtf(const ReportDocument& doc,
                        std::string_view defaultFont = kReportDefaultFont,
                        int defaultPointSize = kReportDefaultPointSize);
// Writes the file (replacing it); throws std::runtime_error with
// "No se pudo guardar el reporte en <file>" when it cannot be written.
void GuardarReporteArchivo(const ReportDocument& doc, const std::filesystem::path& file,
                           ReportFileFormat format);

}  // namespace vexa
