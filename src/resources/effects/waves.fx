// Waves running across the picture: each point is moved along the wave's normal by a sine of its
// distance along the wave's direction, measured in aspect-correct units of the picture height.
// "MainNoMask" and "MainFXNoMask" are the twins the item draws with when it has no mask: every point is
// covered, so both write the waved picture opaque without reading a mask or blending.

float2 Scale = {1, 1};
float2 direction = {-1, 0};
float2 direction_n = {0, 1};
float frequency = 38.46;
float amplitude = 0.0125;
float time = 0;
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  AddressU = CLAMP;
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

float3 Waved(float2 uv) {
  float phase = dot(uv * Scale, direction) * frequency - time;
  return tex2D(BackgroundSampler, uv + direction_n * amplitude * sin(phase)).rgb;
}

float4 WavesPS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(Waved(uv), tex2D(MaskSampler, uv).a);
}

float4 WavesNoMaskPS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(Waved(uv), 1);
}

float4 WavesFXPS(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  return float4(lerp(scene, Waved(uv), tex2D(MaskSampler, uv).a), 1);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WavesPS();
  }
}

technique MainFX {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WavesFXPS();
  }
}

technique MainNoMask {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WavesNoMaskPS();
  }
}

technique MainFXNoMask {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WavesNoMaskPS();
  }
}
