// json_io.cpp - schema and record JSON with nlohmann::json; BLOBs in base64.

#include "json_io.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>

#include "base64.h"
#include "text_util.h"
#include "values.h"

namespace zdb {
namespace {

using nlohmann::json;

// nlohmann's message without its "[json.exception...]" prefix.
std::string parseMessage(const json::exception& e) {
    std::string text = e.what();
    size_t close = text.find("] ");
    return close == std::string::npos ? text : text.substr(close + 2);
}

// The text of a scalar JSON item of field `field`.
std::string scalarText(const Field& field, const json& value) {
    std::string text;
    if (value.is_string()) text = value.get<std::string>();
    else if (value.is_number_integer() || value.is_number_unsigned() || value.is_number_float())
        text = value.dump();
    else
        throw InputError("field " + field.name + ": expected a string or a number, not " +
                         std::string(value.type_name()));
    if (text.size() > kMaxItemBytes)
        throw InputError("field " + field.name + ": an item is longer than " +
                         std::to_string(kMaxItemBytes) + " bytes");
    if (field.isValueField()) {
        auto parsed = parseFieldValue(field.type, text);
        if (!parsed)
            throw InputError("field " + field.name + ": '" + text + "' is not a valid " +
                             fieldTypeName(field.type));
        return parsed->text;
    }
    return text;
}

// The content of `field` in `part` from its JSON value.
FieldContent fieldContent(const Field& field, int part, const json& value) {
    FieldContent content;
    content.part = part;
    content.field = field.number;
    bool text = field.type == ZDB_FIELD_TEXT;
    content.firstParagraph = text ? 1 : 0;
    if (!value.is_array()) {
        content.paragraphs.push_back({scalarText(field, value)});
        return content;
    }
    if (text) {
        for (const json& paragraph : value) {
            if (!paragraph.is_array()) {
                content.paragraphs.push_back({scalarText(field, paragraph)});
                continue;
            }
            if (paragraph.empty())
                throw InputError("field " + field.name + ": a paragraph is an empty list");
            std::vector<std::string> items;
            for (const json& item : paragraph) items.push_back(scalarText(field, item));
            content.paragraphs.push_back(std::move(items));
        }
    } else {
        std::vector<std::string> items;
        for (const json& item : value) {
            if (item.is_array())
                throw InputError("field " + field.name + ": only TEXT fields take nested lists");
            items.push_back(scalarText(field, item));
        }
        content.paragraphs.push_back(std::move(items));
    }
    return content;
}

// A BLOB from {"file": ...} or {"base64": ...}.
InputBlob blobContent(const Field& field, int part, const json& value, const std::string& baseDir) {
    if (!value.is_object())
        throw InputError("field " + field.name + ": a BLOB takes {\"file\": ...} or {\"base64\": ...}");
    InputBlob blob;
    blob.part = part;
    blob.field = field.number;
    blob.type = "application/octet-stream";
    bool hasContent = false;
    for (auto& [key, item] : value.items()) {
        if (!item.is_string())
            throw InputError("field " + field.name + ": \"" + key + "\" must be a string");
        std::string text = item.get<std::string>();
        if (key == "type") {
            blob.type = text;
        } else if (key == "base64") {
            auto bytes = base64Decode(text);
            if (!bytes) throw InputError("field " + field.name + ": invalid base64");
            blob.bytes = std::move(*bytes);
            hasContent = true;
        } else if (key == "file") {
            std::string path = (!text.empty() && text[0] == '/') ? text : baseDir + "/" + text;
            std::ifstream in(path, std::ios::binary);
            if (!in) throw InputError("field " + field.name + ": cannot read file " + text);
            blob.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            hasContent = true;
        } else {
            throw InputError("field " + field.name + ": unknown key \"" + key + "\"");
        }
        if (blob.bytes.size() > kMaxBlobBytes)
            throw InputError("field " + field.name + ": larger than " +
                             std::to_string(kMaxBlobBytes) + " bytes");
    }
    if (!hasContent) throw InputError("field " + field.name + ": no \"file\" or \"base64\"");
    return blob;
}

// The fields of one object (the record, or one of its parts) into `out`.
void readFields(const Schema& schema, const json& object, int part, const std::string& baseDir,
                InputRecord& out) {
    std::vector<int> seen;
    for (auto& [key, value] : object.items()) {
        if (part == 0 && (key == "id" || key == "parts")) continue;
        const Field* field = schema.find(key);
        if (!field) throw InputError("unknown field \"" + key + "\"");
        // Names ignore case, so "title" and "TITLE" would be the same field twice.
        if (std::find(seen.begin(), seen.end(), field->number) != seen.end())
            throw InputError("field " + field->name + " is given twice");
        seen.push_back(field->number);
        if (field->isPart() && part == 0)
            throw InputError("field " + field->name + " is a part field: give it inside \"parts\"");
        if (!field->isPart() && part != 0)
            throw InputError("field " + field->name + " is not a part field");
        if (value.is_null() || (value.is_array() && value.empty())) continue;
        if (field->type == ZDB_FIELD_BLOB) {
            out.blobs.push_back(blobContent(*field, part, value, baseDir));
        } else {
            out.content.fields.push_back(fieldContent(*field, part, value));
        }
    }
}

// The JSON object in text; an InputError with notObject when it is valid JSON of
// another kind, or with the parser's position when it is not JSON at all.
json parseObject(std::string_view text, const char* notObject) {
    json value;
    try {
        value = json::parse(text);
    } catch (const json::exception& e) {
        throw InputError(parseMessage(e));
    }
    if (!value.is_object()) throw InputError(notObject);
    return value;
}

// Gives `field` the thesaurus role `role` (TERM, BROADER or NARROWER) in `schema`.
void assignRole(Schema& schema, const Field& field, const std::string& role, const std::string& where) {
    int* slot = role == "TERM" ? &schema.termField
              : role == "BROADER" ? &schema.broaderField
              : role == "NARROWER" ? &schema.narrowerField : nullptr;
    if (!slot) throw InputError(where + ": \"role\" must be term, broader or narrower");
    if (*slot) throw InputError(where + ": the role " + role + " is given twice");
    if ((field.type != ZDB_FIELD_PHRASE && field.type != ZDB_FIELD_STRING) || field.isPart())
        throw InputError(where + ": a field with a role must be a PHRASE or STRING field outside the parts");
    *slot = field.number;
}

}  // namespace

Schema parseSchemaJson(std::string_view text, const std::string& name) {
    json document = parseObject(text, "the schema must be a JSON object");
    Schema schema;
    schema.name = name;
    bool hasFields = false;
    for (auto& [key, value] : document.items()) {
        if (key == "name") {
            if (!value.is_string()) throw InputError("\"name\" must be a string");
            // The file keeps the spelling the command line gives, unless only the case differs.
            if (equalsIgnoreCase(value.get<std::string>(), name)) schema.name = value.get<std::string>();
        } else if (key == "kind") {
            std::string kind = value.is_string() ? upperCase(value.get<std::string>()) : "";
            if (kind != "DATABASE" && kind != "THESAURUS")
                throw InputError("\"kind\" must be DATABASE or THESAURUS");
            schema.kind = kind;
        } else if (key == "fields") {
            if (!value.is_array() || value.empty())
                throw InputError("\"fields\" must be a list of at least one field");
            hasFields = true;
            for (const json& item : value) {
                std::string where = "field " + std::to_string(schema.fields.size() + 1);
                if (!item.is_object()) throw InputError(where + ": must be an object");
                Field field;
                field.number = static_cast<int>(schema.fields.size()) + 1;
                std::string role;
                for (auto& [fkey, fvalue] : item.items()) {
                    if (fkey == "name" && fvalue.is_string()) field.name = fvalue.get<std::string>();
                    else if (fkey == "type" && fvalue.is_string())
                        field.type = fieldTypeFromName(fvalue.get<std::string>());
                    else if (fkey == "parts" && fvalue.is_boolean())
                        field.flags = fvalue.get<bool>() ? ZDB_FIELD_FLAG_PART : 0;
                    else if (fkey == "role" && fvalue.is_string()) role = upperCase(fvalue.get<std::string>());
                    else throw InputError(where + ": unknown or invalid key \"" + fkey + "\"");
                }
                if (!isValidFieldName(field.name))
                    throw InputError(where + ": invalid name \"" + field.name +
                                     "\" (a letter, then letters, digits or _; not S, R, AND, OR, NOT, FUZZY)");
                where = "field " + field.name;
                if (field.type == 0) throw InputError(where + ": missing or unknown type");
                if (schema.find(field.name)) throw InputError(where + ": the name is used twice");
                if (!role.empty()) assignRole(schema, field, role, where);
                schema.fields.push_back(std::move(field));
                if (schema.fields.size() > static_cast<size_t>(kMaxFields))
                    throw InputError("more than " + std::to_string(kMaxFields) + " fields");
            }
        } else if (key == "formats") {
            if (!value.is_object()) throw InputError("\"formats\" must be an object");
            for (auto& [fname, ftext] : value.items()) {
                if (!ftext.is_string() || fname.empty())
                    throw InputError("format \"" + fname + "\" must be a text");
                schema.formats.emplace_back(fname, ftext.get<std::string>());
            }
        } else {
            throw InputError("unknown key \"" + key + "\"");
        }
    }
    if (!hasFields) throw InputError("the schema has no \"fields\"");
    if (schema.isThesaurus() && (!schema.termField || !schema.broaderField))
        throw InputError("a THESAURUS needs a field with the role \"term\" and one with the role \"broader\"");
    if (!schema.isThesaurus() && schema.termField + schema.broaderField + schema.narrowerField)
        throw InputError("roles belong to THESAURUS schemas only");
    return schema;
}

std::string schemaToJson(const Schema& schema) {
    nlohmann::ordered_json document;
    document["name"] = schema.name;
    document["kind"] = schema.kind;
    document["fields"] = nlohmann::ordered_json::array();
    for (const Field& field : schema.fields) {
        nlohmann::ordered_json item{{"name", field.name}, {"type", fieldTypeName(field.type)}};
        if (field.isPart()) item["parts"] = true;
        if (field.number == schema.termField) item["role"] = "term";
        if (field.number == schema.broaderField) item["role"] = "broader";
        if (field.number == schema.narrowerField) item["role"] = "narrower";
        document["fields"].push_back(item);
    }
    document["formats"] = nlohmann::ordered_json::object();
    for (const auto& [name, text] : schema.formats) document["formats"][name] = text;
    return document.dump(2);
}

void parseRecordJson(const Schema& schema, std::string_view line, const std::string& baseDir,
                     InputRecord& out) {
    json object = parseObject(line, "a record must be a JSON object");
    out = InputRecord{};
    if (object.contains("id")) {
        const json& id = object["id"];
        if (!id.is_number_integer() || id.get<int64_t>() < 1 || id.get<int64_t>() > INT32_MAX)
            throw InputError("\"id\" must be an integer from 1 to " + std::to_string(INT32_MAX));
        out.id = id.get<int64_t>();
    }
    readFields(schema, object, 0, baseDir, out);
    if (object.contains("parts")) {
        const json& parts = object["parts"];
        if (!parts.is_array()) throw InputError("\"parts\" must be a list of objects");
        if (parts.size() > static_cast<size_t>(kMaxParts))
            throw InputError("more than " + std::to_string(kMaxParts) + " parts");
        int part = 0;
        for (const json& item : parts) {
            ++part;
            if (!item.is_object())
                throw InputError("part " + std::to_string(part) + " must be an object");
            try {
                readFields(schema, item, part, baseDir, out);
            } catch (const InputError& e) {
                throw InputError("part " + std::to_string(part) + ": " + e.what());
            }
        }
        out.content.parts = part;
    }
    std::sort(out.content.fields.begin(), out.content.fields.end(),
              [](const FieldContent& a, const FieldContent& b) {
                  return a.part != b.part ? a.part < b.part : a.field < b.field;
              });
}

std::string recordToJson(const Schema& schema, const RecordContent& record,
                         const std::vector<InputBlob>& blobs) {
    auto item = [&](const Field& field, const std::string& text) -> nlohmann::ordered_json {
        if (field.type == ZDB_FIELD_INTEGER) {
            auto value = parseFieldValue(field.type, text);
            if (value) return value->integer;
        }
        return text;
    };
    auto contentJson = [&](const Field& field, const FieldContent& content) -> nlohmann::ordered_json {
        if (field.type == ZDB_FIELD_TEXT) {
            if (content.paragraphs.size() == 1 && content.paragraphs[0].size() == 1)
                return content.paragraphs[0][0];
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const auto& items : content.paragraphs) {
                if (items.size() == 1) list.push_back(items[0]);
                else list.push_back(nlohmann::ordered_json(items));
            }
            return list;
        }
        const auto& items = content.paragraphs.empty() ? std::vector<std::string>{}
                                                       : content.paragraphs[0];
        if (items.size() == 1) return item(field, items[0]);
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const std::string& text : items) list.push_back(item(field, text));
        return list;
    };
    auto fill = [&](nlohmann::ordered_json& object, int part) {
        for (const Field& field : schema.fields) {
            if (field.isPart() != (part != 0)) continue;
            if (field.type == ZDB_FIELD_BLOB) {
                for (const InputBlob& blob : blobs)
                    if (blob.part == part && blob.field == field.number)
                        object[field.name] = {{"type", blob.type}, {"base64", base64Encode(blob.bytes)}};
            } else if (const FieldContent* content = record.find(part, field.number)) {
                object[field.name] = contentJson(field, *content);
            }
        }
    };
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    object["id"] = record.id;
    fill(object, 0);
    if (record.parts > 0) {
        nlohmann::ordered_json parts = nlohmann::ordered_json::array();
        for (int part = 1; part <= record.parts; ++part) {
            nlohmann::ordered_json one = nlohmann::ordered_json::object();
            fill(one, part);
            parts.push_back(std::move(one));
        }
        object["parts"] = std::move(parts);
    }
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace zdb
