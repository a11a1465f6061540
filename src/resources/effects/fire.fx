// Fire: flames on a grid (technique "Main") or on a quad of the flame light ("AsEffect"). Texture v runs
// from the flame tips (0) to the base (1); three noise lookups scrolled upward at different rates shake
// the flame pattern's silhouette, and the colour runs from ColorK1 (start) to ColorK1 + ColorK2 (end).
// Every technique adds its light to what is already drawn. "MainNoMask" is the twin of "Main" the item
// draws with when it has no mask, which covers every point: the same flames without the mask lookup.
// "AsEffect" reads neither Mask nor Background, and the flame light sets only the matrices, textures and
// offsets: the other parameters keep these defaults there.

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
  float2 uv : TEXCOORD0;
  float2 picture : TEXCOORD1;
};

FireVertex FireVS(float3 position : POSITION, float2 uv : TEXCOORD0) {
  FireVertex o;
  o.position = mul(float4(position, 1), WorldViewProj);
  o.uv = uv;
  // Where the vertex lies on the picture, for the mask.
  o.picture = (o.position.xy / o.position.w * bg_scale_factor) * float2(0.5, -0.5) + 0.5;
  return o;
}

float4 Flame(float2 uv) {
  float n = (tex2D(NoiseSampler, uv + c11).r + tex2D(NoiseSampler, uv * 2 + c12).r +
             tex2D(NoiseSampler, uv * 3 + c13).r) / 3;
  float tip = 1 - uv.y;
  float2 shaken = uv + float2((n - 0.5) * 0.3 * tip, 0);
  float shape = tex2D(PatternSampler, shaken).a;
  float f = saturate(shape * (1 + Density) - tip * n * 0.5 + Brightness * shape);
  return float4((ColorK1 + ColorK2 * f) * f, f);
}

float4 FirePS(float2 uv : TEXCOORD0, float2 picture : TEXCOORD1) : COLOR0 {
  float4 flame = Flame(uv);
  return float4(flame.rgb, flame.a * tex2D(MaskSampler, picture).a);
}

float4 AsEffectPS(float2 uv : TEXCOORD0) : COLOR0 {
  return Flame(uv);
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
    PixelShader = compile ps_2_0 AsEffectPS();
  }
}
