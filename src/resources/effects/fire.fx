// Fire: flames on a grid (technique "Main") or on a quad of the flame light ("AsEffect"). Texture v runs
// from the flame tips (0) to the base (1). The pattern's alpha is the flames' density; noise scrolled
// upward bends, stretches and tears it into licking tongues, and the heat found there is coloured from
// ColorK1 (start) to ColorK1 + ColorK2 (end), white-hot at the core. Every technique adds its light to
// what is already drawn. "MainNoMask" is the twin of "Main" the item draws with when it has no mask,
// which covers every point: the same flames without the mask lookup. "AsEffect" reads neither Mask nor
// Background, and the flame light sets only the matrices, textures and offsets: the other parameters
// keep these defaults there, and its colours are its own.

float4x4 WorldViewProj;
float4x4 ViewProj;
texture Noise;
texture Pattern;
float2 c11 = {0, 0};
float2 c12 = {0, 0};
float2 c13 = {0, 0};
float3 ColorK1 = {1, 0, 0};
float3 ColorK2 = {0, 1, 0};
float2 bg_scale_factor = {1, 1};
texture Mask;
texture Background;
float Brightness = 0.3;
float Density = 0;

sampler NoiseSampler = sampler_state {
  Texture = <Noise>;
  AddressU = WRAP;
  AddressV = WRAP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler PatternSampler = sampler_state {
  Texture = <Pattern>;
  AddressU = WRAP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

struct FireVertex {
  float4 position : POSITION;
  float3 uv : TEXCOORD0;     // u, v and the height above the base (1 - v)
  float4 coarse : TEXCOORD1; // where the two coarser noise octaves are read
  float4 fine : TEXCOORD2;   // where the finest octave is read (before its swirl), and the picture point
};

// Three octaves of noise, stretched upright like flames, scroll upward at their own rates (c11, c12,
// c13). Their texture coordinates vary linearly across the quad, so the vertices work them out.
FireVertex FireVS(float3 position : POSITION, float2 uv : TEXCOORD0) {
  FireVertex o;
  o.position = mul(float4(position, 1), WorldViewProj);
  o.uv = float3(uv, 1 - uv.y);
  o.coarse = float4(uv * float2(1.5, 0.6) + c11 * 0.45, uv * float2(3, 1.1) + c12 * 0.55);
  // Where the vertex lies on the picture, for the mask.
  o.fine = float4(uv * float2(6, 2) + c13 * 0.7,
                  (o.position.xy / o.position.w * bg_scale_factor) * float2(0.5, -0.5) + 0.5);
  return o;
}

// The flame's heat at a point: the pattern's density, read where the turbulence has moved it. The
// noise (the finest octave swirled by the coarser ones) bends the tongues more the higher they reach,
// stretches and shrinks them, and eats into them from their tips, so that tongues lick, split and tear
// off as they rise.
float Intensity(FireVertex v) {
  float2 s = float2(tex2D(NoiseSampler, v.coarse.xy).r, tex2D(NoiseSampler, v.coarse.zw).r) * 2.6 - 1.3;
  float s3 = tex2D(NoiseSampler, v.fine.xy + s * 0.15).r * 2.6 - 1.3;
  float turb = dot(float3(s, s3), float3(0.5, 0.3, 0.2));
  float2 bent = v.uv.xy + float2(dot(s, float2(0.06, 0.04)) * (0.2 + v.uv.z), turb * 0.16 * v.uv.z);
  float density = tex2D(PatternSampler, bent).a;
  return density * (1.0 + 0.45 * turb) - v.uv.z * v.uv.z * saturate(0.55 - 0.4 * s3);
}

// The colour of a flame of heat x: the start colour rising out of black, turning to the end colour as
// it gets hotter, and to white-hot at the very core. The heat is eased towards 1 and every ramp is
// smooth, so the colour runs without steps or flat patches; the alpha fades the thin outer flame away.
float4 Heat(float x, float3 start, float3 step) {
  float i = saturate(x / (1 + 0.18 * x * x));
  float3 ramp = saturate(i * float3(2.2, 1.6, 2.8) + float3(0, -0.35, -1.55));  // low, middle, core
  float mid = ramp.y * ramp.y * (3 - 2 * ramp.y);
  return float4(saturate(start * ramp.x + step * mid + ramp.z * ramp.z), saturate(i * 2.6 - 0.05));
}

// The item's flames: its colours, density and brightness (0.3 leaves the heat as it is).
float4 ItemFlame(FireVertex v) {
  return Heat(Intensity(v) * (1 + Density) * (0.7 + Brightness), ColorK1, ColorK2);
}

float4 FirePS(FireVertex v) : COLOR0 {
  float4 flame = ItemFlame(v);
  return float4(flame.rgb, flame.a * tex2D(MaskSampler, v.fine.zw).a);
}

float4 MainNoMaskPS(FireVertex v) : COLOR0 {
  return ItemFlame(v);
}

// The flame light's fire: red rising to yellow, whatever an item sharing the effect has set.
float4 AsEffectPS(FireVertex v) : COLOR0 {
  return Heat(Intensity(v), float3(1, 0, 0), float3(0, 1, 0));
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = ONE;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    VertexShader = compile vs_2_0 FireVS();
    PixelShader = compile ps_2_0 FirePS();
  }
}

technique AsEffect {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = ONE;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    VertexShader = compile vs_2_0 FireVS();
    PixelShader = compile ps_2_0 AsEffectPS();
  }
}

technique MainNoMask {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = ONE;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    VertexShader = compile vs_2_0 FireVS();
    PixelShader = compile ps_2_0 MainNoMaskPS();
  }
}
