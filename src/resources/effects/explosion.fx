// Explosion: a fireball on every sprite quad (uv 0..1 over the quad, COLOR0 the particle's colour with its
// alpha). Two noise pictures, each with its own random shift, cross-fade as the noise changes once per
// item second; the ball grows over the two seconds of "time" (0 to 1). The gradient colours the heat,
// blended between color2 (cool) and color1 (hot). Drawn additively over what lies below.
texture GradientTex;
texture NoiseTex1;
texture NoiseTex2;
float3 color1 = {1.0, 0.7, 0.2};
float3 color2 = {0.6, 0.1, 0.0};
float2 noise_shift1 = {0.0, 0.0};
float2 noise_shift2 = {0.0, 0.0};
float time = 0.0;

sampler GradientSampler = sampler_state {
  Texture = <GradientTex>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler Noise1Sampler = sampler_state {
  Texture = <NoiseTex1>;
  AddressU = WRAP;
  AddressV = WRAP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler Noise2Sampler = sampler_state {
  Texture = <NoiseTex2>;
  AddressU = WRAP;
  AddressV = WRAP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

struct SpriteIn {
  float4 colour : COLOR0;
  float2 uv : TEXCOORD0;
};

float4 Fireball(SpriteIn i) : COLOR0 {
  float2 d = i.uv * 2.0 - 1.0;
  float r = length(d);
  float n1 = tex2D(Noise1Sampler, i.uv + noise_shift1).r;
  float n2 = tex2D(Noise2Sampler, i.uv + noise_shift2).r;
  float n = lerp(n1, n2, frac(2.0 * time));
  float radius = 0.45 + 0.5 * time;
  float heat = saturate((1.0 - r / radius) * 1.5 + (n - 0.5) * 0.6);
  float3 ramp = tex2D(GradientSampler, float2(heat, 0.5)).rgb;
  // A missing gradient samples black: the two colours alone still show the ball.
  float3 c = lerp(color2, color1, heat) * (0.6 + 0.4 * ramp) + ramp * heat * 0.4;
  return float4(c, heat * i.colour.a);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    BlendOp = ADD;
    SrcBlend = SRCALPHA;
    DestBlend = ONE;
    ZEnable = FALSE;
    CullMode = NONE;
    VertexShader = NULL;
    PixelShader = compile ps_2_0 Fireball();
  }
}
