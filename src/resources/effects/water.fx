// Water: the picture seen through a water surface. A tiling bump picture, turned over time by BampTrans,
// perturbs the lookup, a wave runs along Direction1 with the displacement Direction2, and the surface is
// tinted by Color, darkened by its slope and lit by a highlight along Vhalf as far as Shadows says.
// P1 and P2 foreshorten the bump lookup towards the top of the picture.
// "MainNoMask" and "MainFXNoMask" are the twins the item draws with when it has no mask and Shadows is 0:
// every point is covered and the slope and highlight terms are nothing, so both write the tinted water
// opaque without reading a mask, blending or lighting.
// "MainUnlit" and "MainFXUnlit" are the twins of "Main" and "MainFX" it draws with when it has a mask and
// Shadows is 0: the same mask and blend, without the slope and highlight terms, which are then nothing.

float2 Scale = {1, 1};
texture BumpMap;
float4 BampTrans = {0.02, 0, 0, 0.02};
float3 P1 = {-0.998, -1, -0.998};
float3 P2 = {1, 1.0327, 1};
float Time = 0;
float2 Direction1 = {-34.82, -29.22};
float2 Direction2 = {-0.0019, -0.0016};
float Shadows = 0;
float3 Vhalf = {0.4472, 0.8944, 0};
float3 Color = {1, 1, 1};
texture Mask;
texture Background;

sampler BumpSampler = sampler_state {
  Texture = <BumpMap>;
  AddressU = WRAP;
  AddressV = WRAP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  AddressU = MIRROR;
  AddressV = MIRROR;
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

// The bump's signed perturbation at uv.
float2 Bump(float2 uv) {
  // Farther rows (towards the top) are squeezed: v' = (P1.x v + P1.y) / (P2.x v + P2.y).
  float depth = (P1.x * uv.y + P1.y) / (P2.x * uv.y + P2.y);
  float2 p = float2(uv.x, depth) * Scale;
  return tex2D(BumpSampler, p).rg * 2 - 1;
}

// The picture seen through the surface of bump n at uv, tinted.
float3 Seen(float2 uv, float2 n) {
  float2 d = float2(n.x * BampTrans.x + n.y * BampTrans.z, n.x * BampTrans.y + n.y * BampTrans.w);
  d += Direction2 * sin(dot(uv, Direction1) + Time);
  return tex2D(BackgroundSampler, uv + d).rgb * Color;
}

// x to the 32nd power by five squarings: pow compiles to a logarithm and an exponential, which cost a
// software rasteriser several times as much for every pixel.
float Pow32(float x) {
  float x2 = x * x;
  float x4 = x2 * x2;
  float x8 = x4 * x4;
  float x16 = x8 * x8;
  return x16 * x16;
}

float3 Water(float2 uv) {
  float2 n = Bump(uv);
  float3 c = Seen(uv, n);
  float slope = saturate(n.x + n.y);
  float highlight = Pow32(saturate(dot(normalize(float3(n, 1)), Vhalf)));
  return c * (1 - Shadows * slope) + highlight * Shadows;
}

float4 WaterPS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(Water(uv), tex2D(MaskSampler, uv).a);
}

float4 WaterNoMaskPS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(Seen(uv, Bump(uv)), 1);
}

float4 WaterFXPS(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  return float4(lerp(scene, Water(uv), tex2D(MaskSampler, uv).a), 1);
}

float4 WaterUnlitPS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(Seen(uv, Bump(uv)), tex2D(MaskSampler, uv).a);
}

float4 WaterFXUnlitPS(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  return float4(lerp(scene, Seen(uv, Bump(uv)), tex2D(MaskSampler, uv).a), 1);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WaterPS();
  }
}

technique MainFX {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WaterFXPS();
  }
}

technique MainUnlit {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WaterUnlitPS();
  }
}

technique MainFXUnlit {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WaterFXUnlitPS();
  }
}

technique MainNoMask {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WaterNoMaskPS();
  }
}

technique MainFXNoMask {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WaterNoMaskPS();
  }
}
