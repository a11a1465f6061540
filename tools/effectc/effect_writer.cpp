#include "effectc/effect_writer.h"

#include <cstring>
#include <string>

namespace effectc {
namespace {

using namespace fxbin;

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Two streams: the data part (types, values, names), addressed by offsets from its start, and the
// main part (counts, the parameter and technique records, strings and resources) that follows it.
class Writer {
 public:
  std::vector<uint8_t> Write(const Effect& e) {
    Word(&data_, 0);  // offset 0 holds the empty name
    Word(&main_, static_cast<uint32_t>(e.parameters.size()));
    Word(&main_, static_cast<uint32_t>(e.techniques.size()));
    Word(&main_, 0);
    size_t object_count_at = main_.size();
    Word(&main_, 0);

    for (size_t i = 0; i < e.parameters.size(); ++i) {
      const Parameter& p = e.parameters[i];
      Word(&main_, TypeAt(p.value.type));
      Word(&main_, ValueAt(p.value, &p.sampler, kNone, static_cast<uint32_t>(i)));
      Word(&main_, p.flags);
      Word(&main_, static_cast<uint32_t>(p.annotations.size()));
      Annotations(p.annotations);
    }
    for (size_t t = 0; t < e.techniques.size(); ++t) {
      const Technique& tech = e.techniques[t];
      Word(&main_, NameAt(tech.name));
      Word(&main_, static_cast<uint32_t>(tech.annotations.size()));
      Word(&main_, static_cast<uint32_t>(tech.passes.size()));
      Annotations(tech.annotations);
      for (size_t p = 0; p < tech.passes.size(); ++p) {
        const Pass& pass = tech.passes[p];
        Word(&main_, NameAt(pass.name));
        Word(&main_, static_cast<uint32_t>(pass.annotations.size()));
        Word(&main_, static_cast<uint32_t>(pass.states.size()));
        Annotations(pass.annotations);
        for (size_t s = 0; s < pass.states.size(); ++s)
          StateRecord(&main_, pass.states[s], static_cast<uint32_t>(t), static_cast<uint32_t>(p),
                      static_cast<uint32_t>(s));
      }
    }

    Word(&main_, static_cast<uint32_t>(strings_.size()));
    Word(&main_, static_cast<uint32_t>(resources_.size()));
    for (const Pending& s : strings_) {
      Word(&main_, s.object);
      Blob(&main_, s.bytes);
    }
    for (const Pending& r : resources_) {
      Word(&main_, r.technique);
      Word(&main_, r.index);
      Word(&main_, kNone);
      Word(&main_, r.state);
      Word(&main_, r.usage);
      Blob(&main_, r.bytes);
    }
    std::memcpy(&main_[object_count_at], &next_object_, 4);

    std::vector<uint8_t> out;
    Word(&out, kTag);
    Word(&out, static_cast<uint32_t>(data_.size()));
    out.insert(out.end(), data_.begin(), data_.end());
    out.insert(out.end(), main_.begin(), main_.end());
    return out;
  }

 private:
  struct Pending {
    uint32_t object = 0;
    uint32_t technique = kNone, index = 0, state = 0, usage = 0;
    std::vector<uint8_t> bytes;
  };

  static void Word(std::vector<uint8_t>* out, uint32_t w) {
    uint8_t b[4];
    std::memcpy(b, &w, 4);
    out->insert(out->end(), b, b + 4);
  }
  static void Blob(std::vector<uint8_t>* out, const std::vector<uint8_t>& bytes) {
    Word(out, static_cast<uint32_t>(bytes.size()));
    out->insert(out->end(), bytes.begin(), bytes.end());
    while (out->size() % 4) out->push_back(0);
  }
  static std::vector<uint8_t> Terminated(const std::string& s) {
    std::vector<uint8_t> bytes(s.begin(), s.end());
    bytes.push_back(0);
    return bytes;
  }

  uint32_t Here() const { return static_cast<uint32_t>(data_.size()); }

  uint32_t NameAt(const std::string& name) {
    if (name.empty()) return 0;
    uint32_t at = Here();
    Blob(&data_, Terminated(name));
    return at;
  }

  uint32_t TypeAt(const TypeDesc& t) {
    uint32_t name = NameAt(t.name), semantic = NameAt(t.semantic);
    uint32_t at = Here();
    Word(&data_, t.type);
    Word(&data_, t.klass);
    Word(&data_, name);
    Word(&data_, semantic);
    Word(&data_, 0);  // no array elements
    if (t.klass == kVector) {
      Word(&data_, t.columns);
      Word(&data_, t.rows);
    } else if (t.klass != kObject) {
      Word(&data_, t.rows);
      Word(&data_, t.columns);
    }
    return at;
  }

  // A value; objects get an id, and their data is queued as a string or a resource of the record that
  // owns the value (technique and pass, or kNone and the parameter's index).
  uint32_t ValueAt(const Value& v, const std::vector<State>* sampler, uint32_t technique, uint32_t index,
                   uint32_t state = 0) {
    if (v.type.klass != kObject) {
      uint32_t at = Here();
      for (uint32_t i = 0; i < v.type.ValueDwords(); ++i) Word(&data_, i < v.numbers.size() ? v.numbers[i] : 0);
      return at;
    }
    if (IsSamplerType(v.type.type)) {
      std::vector<uint8_t> block;
      Word(&block, static_cast<uint32_t>(sampler ? sampler->size() : 0));
      if (sampler)
        for (size_t s = 0; s < sampler->size(); ++s)
          StateRecord(&block, (*sampler)[s], kNone, index, static_cast<uint32_t>(s));
      uint32_t at = Here();
      data_.insert(data_.end(), block.begin(), block.end());
      return at;
    }
    uint32_t id = next_object_++;
    uint32_t at = Here();
    Word(&data_, id);
    Pending pending;
    pending.object = id;
    pending.technique = technique;
    pending.index = index;
    pending.state = state;
    if (v.type.type == kString) {
      pending.bytes = Terminated(v.text);
      strings_.push_back(pending);
    } else if (v.type.type == kPixelShader || v.type.type == kVertexShader) {
      pending.usage = 0;
      pending.bytes = v.shader;
      resources_.push_back(pending);
    } else if (!v.reference.empty()) {
      pending.usage = 1;
      pending.bytes = Terminated(v.reference);
      resources_.push_back(pending);
    }
    return at;
  }

  void StateRecord(std::vector<uint8_t>* out, const State& s, uint32_t technique, uint32_t index, uint32_t state) {
    uint32_t type = TypeAt(s.value.type);
    uint32_t value = ValueAt(s.value, nullptr, technique, index, state);
    Word(out, s.operation);
    Word(out, s.index);
    Word(out, type);
    Word(out, value);
  }

  void Annotations(const std::vector<Value>& annotations) {
    for (const Value& a : annotations) {
      Word(&main_, TypeAt(a.type));
      Word(&main_, ValueAt(a, nullptr, kNone, 0));
    }
  }

  std::vector<uint8_t> data_;
  std::vector<uint8_t> main_;
  std::vector<Pending> strings_;
  std::vector<Pending> resources_;
  uint32_t next_object_ = 1;  // id 0 stays unused
};

}  // namespace

std::vector<uint8_t> WriteEffect(const Effect& effect) { return Writer().Write(effect); }

}  // namespace effectc
